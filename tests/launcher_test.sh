#!/bin/bash
# apostilas-abrir's folder checks, against a stand-in menu beside a copy of
# the script that records the folder it was started in.
set -uo pipefail
script=$1
# Its messages go to stderr here; with a display it would also put them up
# in a window that waits for a person.
unset DISPLAY WAYLAND_DISPLAY
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin"
cp "$script" "$work/bin/apostilas-abrir"
printf '#!/bin/sh\npwd > "%s/started"\n' "$work" > "$work/bin/apostilas"
chmod +x "$work/bin/apostilas-abrir" "$work/bin/apostilas"

mkdir -p "$work/lower/config" "$work/upper/CONFIG" "$work/mixed name/Config" "$work/none/manuais" "$work/file"
touch "$work/file/config" "$work/plain"
mkdir -p "$work/linkedtree" && ln -s "$work/lower/config" "$work/linkedtree/config"

failures=0
# row: name, folder to start in, expected exit status, expected folder the
# menu starts in, then the launcher's arguments (none: the current folder)
check() {
    local name=$1 from=$2 status=$3 started=$4
    shift 4
    rm -f "$work/started"
    (cd "$from" && CDPATH="$work/upper" "$work/bin/apostilas-abrir" "$@" </dev/null 2>"$work/err") 2>/dev/null
    local got=$?
    local where=""
    [[ -f $work/started ]] && where=$(cat "$work/started")
    if [[ $got != "$status" || $where != "$started" ]]; then
        echo "FAIL $name: status $got (wanted $status), started in '$where' (wanted '$started'): $(cat "$work/err")"
        failures=$((failures + 1))
    elif [[ $status != 0 ]] && ! grep -q "não\|Dê" "$work/err"; then
        echo "FAIL $name: no message in Portuguese: $(cat "$work/err")"
        failures=$((failures + 1))
    else
        echo "PASS $name"
    fi
}
check "config in lower case" / 0 "$work/lower" "$work/lower"
check "CONFIG in upper case" / 0 "$work/upper" "$work/upper"
check "folder name with a space" / 0 "$work/mixed name" "$work/mixed name"
check "current folder" "$work/lower" 0 "$work/lower"
check "config is a link to a folder" / 0 "$work/linkedtree" "$work/linkedtree"
check "no config folder" / 2 "" "$work/none"
check "config is a file" / 2 "" "$work/file"
check "not a folder" / 2 "" "$work/plain"
check "missing folder" / 2 "" "$work/nowhere"
check "current folder is no collection" "$work/none" 2 ""
check "two folders" / 2 "" "$work/lower" "$work/upper"
# Folders whose names cd would read as its own options or as the previous
# folder, given relative to the current folder, with and without "--".
for odd in -L -P -- - -e; do
    mkdir -p "$work/odd/$odd/config"
    # A lone "--" only ends the options: the current folder.
    [[ $odd == -- ]] || check "folder named $odd" "$work/odd" 0 "$work/odd/$odd" "$odd"
    check "folder named $odd after --" "$work/odd" 0 "$work/odd/$odd" -- "$odd"
    check "--perguntar, then a folder named $odd" "$work/odd" 0 "$work/odd/$odd" --perguntar -- "$odd"
done
# A relative folder is the one in the current folder, not one on CDPATH.
mkdir -p "$work/cdpath/CONFIG" "$work/upper/cdpath"
check "relative folder, CDPATH set" "$work" 0 "$work/cdpath" cdpath
exit $((failures > 0))
