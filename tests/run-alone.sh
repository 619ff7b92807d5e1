#!/bin/bash
# Runs every test function of every test program on its own, each in a
# fresh process, so that no function leans on what an earlier one left
# behind (a window kept across rows, a tree, a loaded library). With
# --rows every data row runs on its own too (much slower: a process and,
# for the display tests, a web engine per row).
#
#   tests/run-alone.sh [--rows] [build folder] [program …]
#
# The unit programs run without a display, as ctest -L unit does; the
# others under Xvfb. Prints one line per failing run and a summary; exits
# non-zero when any run failed.
set -uo pipefail
rows=0
if [[ ${1:-} == --rows ]]; then
    rows=1
    shift
fi
build=${1:-build}
shift || true
bin=$build/bin
if [[ $# -gt 0 ]]; then
    programs=("$@")
else
    mapfile -t programs < <(cd "$bin" && ls tst_* | sort)
fi
# The unit programs, by ctest's label.
mapfile -t unit < <(ctest --test-dir "$build" -L unit -N 2>/dev/null | sed -n 's/^ *Test *#[0-9]*: *//p')

is_unit() {
    local name
    for name in "${unit[@]}"; do
        [[ $name == "$1" ]] && return 0
    done
    return 1
}

# The program turns the engine's sandbox off itself when it runs as root.
runs=0
failures=0
log=$(mktemp)
trap 'rm -f "$log"' EXIT
# One Xvfb for the whole run: a new one per run costs a second each.
display_pid=
for program in "${programs[@]}"; do
    is_unit "$program" || { display_needed=1; break; }
done
if [[ ${display_needed:-0} == 1 ]]; then
    for n in $(seq 90 120); do
        [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        display_pid=$!
        display=":$n"
        break
    done
    trap 'rm -f "$log"; [[ -n $display_pid ]] && kill "$display_pid"' EXIT
    for _ in $(seq 50); do
        [[ -e /tmp/.X11-unix/X${display#:} ]] && break
        sleep 0.1
    done
fi

run() {
    local program=$1
    shift
    runs=$((runs + 1))
    if is_unit "$program"; then
        env -u DISPLAY -u WAYLAND_DISPLAY "$bin/$program" "$@" >"$log" 2>&1
    else
        DISPLAY=$display "$bin/$program" "$@" >"$log" 2>&1
    fi
    local status=$?
    if [[ $status != 0 ]] || grep -q '^FAIL!' "$log"; then
        failures=$((failures + 1))
        echo "FAILED ($status): $program $*"
        grep -E '^(FAIL!|   Loc:|QFATAL)' "$log" | head -n 6 | sed 's/^/    /'
    fi
}

for program in "${programs[@]}"; do
    [[ -x $bin/$program ]] || continue
    if is_unit "$program"; then
        list=$(env -u DISPLAY -u WAYLAND_DISPLAY "$bin/$program" -datatags 2>/dev/null)
    else
        list=$(DISPLAY=$display "$bin/$program" -datatags 2>/dev/null)
    fi
    # "Class function [row]" lines; a function without rows has no row.
    declare -A seen=()
    while IFS= read -r line; do
        rest=${line#* }
        function=${rest%% *}
        row=
        [[ $rest == *" "* ]] && row=${rest#* }
        if [[ $rows == 1 && -n $row ]]; then
            run "$program" "$function:$row"
        elif [[ -z ${seen[$function]:-} ]]; then
            seen[$function]=1
            run "$program" "$function"
        fi
    done <<<"$list"
    unset seen
done
echo "$runs runs, $failures failed"
[[ $failures == 0 ]]
