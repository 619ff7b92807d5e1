#!/bin/bash
# Runs the benchmark programs (built by scripts/bench.sh) and prints the
# README's table. Timings are medians over repeated runs; the clock starts
# just before each process is started.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$PWD/build/bin
demo=$PWD/build/demo
runs=${RUNS:-7}

now() { date +%s%N; }
# median of the numbers on stdin
median() { sort -g | awk '{a[NR]=$1} END {if (NR%2) print a[(NR+1)/2]; else printf "%.1f\n", (a[NR/2]+a[NR/2+1])/2}'; }
# milliseconds from process start to the mark the program prints
time_to_mark() { # dir program mark args...
    local dir=$1 program=$2 mark=$3; shift 3
    local start end
    start=$(now)
    end=$(cd "$dir" && "$program" "$@" 2>/dev/null | awk -v m="$mark" '$1 == m {print $2; exit}')
    [[ -n $end ]] || { echo "no '$mark' from $program" >&2; return 1; }
    echo "$(( (end - start) / 1000 ))" | awk '{printf "%.1f\n", $1 / 1000}'
}
repeat() { local n=$1; shift; for ((i = 0; i < n; i++)); do "$@"; done; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Warm the page cache once so the first run is not a disk read.
time_to_mark "$demo" "$bin/bench_menu" movies movies >/dev/null

bare_window=$(repeat "$runs" time_to_mark "$demo" "$bin/bench_bare_window" painted | median)
menu_window=$(repeat "$runs" time_to_mark "$demo" "$bin/bench_menu" painted window | median)
bare_view=$(repeat "$runs" time_to_mark "$demo" "$bin/bench_bare_webview" shown | median)
menu_movies=$(repeat "$runs" time_to_mark "$demo" "$bin/bench_menu" movies movies | median)

(cd "$demo" && "$bin/bench_menu" movies 2>/dev/null) > "$work/memory.txt"
pss_mb=$(awk '$1 == "pss_total_kb" {printf "%.0f", $2 / 1024}' "$work/memory.txt")
idle_cpu=$(awk '$1 == "idle_cpu_percent" {print $2}' "$work/memory.txt")
processes=$(awk '$1 == "process" {printf "%s%s %.0f MB", sep, $3, $4 / 1024; sep = ", "}' "$work/memory.txt")

cp -r "$demo" "$work/tree"
cp "$bin/bench_reader" "$work/tree/manuais/READER.exe"
(cd "$work/tree" && "$bin/bench_menu" activation 2>/dev/null) > "$work/activation.txt"
act_median=$(awk '$1 == "activation_ms_median" {print $2}' "$work/activation.txt")
act_p95=$(awk '$1 == "activation_ms_p95" {print $2}' "$work/activation.txt")

(cd "$demo" && "$bin/bench_menu" preview 2>/dev/null) > "$work/preview.txt"
preview_median=$(awk '$1 == "preview_ms_median" {print $2}' "$work/preview.txt")
preview_p95=$(awk '$1 == "preview_ms_p95" {print $2}' "$work/preview.txt")

(cd "$demo" && "$bin/bench_menu" web 2>/dev/null) > "$work/web.txt"
web_median=$(awk '$1 == "web_ms_median" {print $2}' "$work/web.txt")
web_p95=$(awk '$1 == "web_ms_p95" {print $2}' "$work/web.txt")

"$bin/bench_menu" catalog > "$work/catalog.txt" 2>/dev/null
"$bin/bench_menu" lookup >> "$work/catalog.txt" 2>/dev/null
get() { awk -v k="$1" '$1 == k {print $2}' "$work/catalog.txt"; }

ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f×", a / b}'; }
machine="$(nproc) cores, $(awk '/MemTotal/ {printf "%.0f GiB", $2 / 1048576}' /proc/meminfo), $(uname -r), $(date +%F)"

cat <<TABLE
| What | Figure | Baseline | Ratio | Target |
|---|---|---|---|---|
| Window: start → main window painted | ${menu_window} ms | bare Qt window ${bare_window} ms | $(ratio "$menu_window" "$bare_window") | ≤ 1.5× |
| Animations: start → four first frames | ${menu_movies} ms | one bare web view ${bare_view} ms | $(ratio "$menu_movies" "$bare_view") | ≤ 1000 ms and ≤ 2× |
| Memory (PSS, four movies playing) | ${pss_mb} MB | — | — | ≤ 300 MB |
| Processor while the menu waits (four movies playing, 5 s) | ${idle_cpu} % of one core | — | — | — |
| Series change: click → new preview's first frame (10 runs) | median ${preview_median} ms (p95 ${preview_p95}) | — | — | — |
| Activation: second preview click → reader running (50 runs) | p95 ${act_p95} ms (median ${act_median}) | — | — | p95 < 50 ms |
| Web viewer: "Educativos" → start page loaded (10 runs) | median ${web_median} ms (p95 ${web_p95}) | — | — | < 500 ms |
| Catalog parse, $(get catalog_bytes | awk '{printf "%.1f MB", $1/1e6}'), 100,000 records (median of 5) | $(get catalog_parse_ms) ms = $(get catalog_parse_mb_s) MB/s | — | — | ≥ 100 MB/s |
| Catalog parse, the first in a fresh process (as the menu makes it) | $(get catalog_first_parse_ms) ms = $(get catalog_first_parse_mb_s) MB/s | — | — | ≥ 100 MB/s |
| Click on a year whose movie is missing, 300,000 files in config (200 clicks) | median $(get lookup_ms_median) ms (p95 $(get lookup_ms_p95)) | the first, which lists the folder, $(get lookup_first_ms) ms | — | a few ms |
| Catalog copy pass, 10,000 marked | $(get catalog_pass_ms) ms | the 10,000 copies alone $(get catalog_copies_only_ms) ms | $(ratio "$(get catalog_pass_ms)" "$(get catalog_copies_only_ms)") | bounded by the copies |

Machine: ${machine}. Processes: ${processes}.
TABLE
