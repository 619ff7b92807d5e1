#!/bin/bash
# Builds the catalog reader's libFuzzer target (the "fuzz" preset: clang,
# AddressSanitizer and UndefinedBehaviorSanitizer) and runs it for a bounded
# time, default 60 seconds, from the seed packets in fuzz/corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
out=build-fuzz/fuzz
mkdir -p "$out/corpus"
cp -n fuzz/corpus/* "$out/corpus/" 2>/dev/null || true
build-fuzz/bin/fuzz_datapacket -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=1048576 \
    -print_final_stats=1 "$out/corpus" 2>"$out/fuzz.log" || { tail -50 "$out/fuzz.log"; exit 1; }
grep -E "^stat::number_of_executed_units|^Done" "$out/fuzz.log" || true
echo "fuzzing: no crash in ${seconds}s"
