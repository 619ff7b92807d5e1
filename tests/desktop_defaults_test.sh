#!/bin/bash
# desktop_defaults_test.sh ENTRY.desktop…: on a fresh desktop (no
# mimeapps.list anywhere) that has the usual file managers, the collection's
# desktop entries must never become the way every folder opens. Asked as
# xdg-open asks (xdg-mime) and as GLib's programs ask (gio), for each
# desktop's name in XDG_CURRENT_DESKTOP.
set -uo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/data/applications" "$work/bin" "$work/home" "$work/config"
# The file managers' own entries, as their packages write them, and their
# programs (GLib offers only entries whose program is on PATH).
while read -r entry program; do
    printf '[Desktop Entry]\nType=Application\nName=%s\nExec=%s %%U\nTerminal=false\nMimeType=inode/directory;application/x-gnome-saved-search;\n' \
        "$program" "$program" > "$work/data/applications/$entry.desktop"
    printf '#!/bin/sh\n' > "$work/bin/$program"
done <<'MANAGERS'
pcmanfm pcmanfm
caja caja
nemo nemo
org.gnome.Nautilus nautilus
thunar thunar
org.kde.dolphin dolphin
MANAGERS
ours=()
for entry in "$@"; do
    cp "$entry" "$work/data/applications/"
    ours+=("$(basename "$entry")")
done
for program in apostilas-abrir apostilas; do printf '#!/bin/sh\n' > "$work/bin/$program"; done
chmod +x "$work"/bin/*
update-desktop-database "$work/data/applications"

failures=0
ask() {
    env -i PATH="$work/bin:/usr/bin:/bin" HOME="$work/home" XDG_DATA_HOME="$work/home" \
        XDG_CONFIG_HOME="$work/config" XDG_CONFIG_DIRS="$work/config" XDG_DATA_DIRS="$work/data" \
        XDG_CURRENT_DESKTOP="$1" "${@:2}" 2>/dev/null
}
# rows: the desktop's name ("" for none)
for desktop in GNOME ubuntu:GNOME MATE X-Cinnamon XFCE LXDE LXQt KDE ""; do
    xdg=$(ask "$desktop" xdg-mime query default inode/directory)
    gio=$(ask "$desktop" gio mime inode/directory | sed -n 's/^Default application for .*: //p')
    bad=0
    for entry in "${ours[@]}"; do
        [[ $xdg == "$entry" || $gio == "$entry" ]] && bad=1
    done
    if [[ -z $xdg || -z $gio ]]; then
        echo "FAIL '$desktop': no file manager is the default (xdg-mime '$xdg', gio '$gio')"
        failures=$((failures + 1))
    elif ((bad)); then
        echo "FAIL '$desktop': folders open with the collection's entry (xdg-mime '$xdg', gio '$gio')"
        failures=$((failures + 1))
    else
        echo "PASS '$desktop': xdg-mime $xdg, gio $gio"
    fi
done
exit $((failures > 0))
