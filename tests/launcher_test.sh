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
# row: name, folder argument ("-" for none: the current folder), folder to
# start in, expected exit status, expected folder the menu starts in
check() {
    local name=$1 argument=$2 from=$3 status=$4 started=$5
    rm -f "$work/started"
    if [[ $argument == - ]]; then
        (cd "$from" && "$work/bin/apostilas-abrir" </dev/null 2>"$work/err") 2>/dev/null
    else
        (cd "$from" && "$work/bin/apostilas-abrir" "$argument" </dev/null 2>"$work/err") 2>/dev/null
    fi
    local got=$?
    local where=""
    [[ -f $work/started ]] && where=$(cat "$work/started")
    if [[ $got != "$status" || $where != "$started" ]]; then
        echo "FAIL $name: status $got (wanted $status), started in '$where' (wanted '$started'): $(cat "$work/err")"
        failures=$((failures + 1))
    elif [[ $status != 0 ]] && ! grep -q "não" "$work/err"; then
        echo "FAIL $name: no message in Portuguese: $(cat "$work/err")"
        failures=$((failures + 1))
    else
        echo "PASS $name"
    fi
}
check "config in lower case" "$work/lower" / 0 "$work/lower"
check "CONFIG in upper case" "$work/upper" / 0 "$work/upper"
check "folder name with a space" "$work/mixed name" / 0 "$work/mixed name"
check "current folder" - "$work/lower" 0 "$work/lower"
check "config is a link to a folder" "$work/linkedtree" / 0 "$work/linkedtree"
check "no config folder" "$work/none" / 2 ""
check "config is a file" "$work/file" / 2 ""
check "not a folder" "$work/plain" / 2 ""
check "missing folder" "$work/nowhere" / 2 ""
check "current folder is no collection" - "$work/none" 2 ""
exit $((failures > 0))
