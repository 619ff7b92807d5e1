#!/bin/bash
# Builds the catalog reader's libFuzzer target with clang (AddressSanitizer
# and UndefinedBehaviorSanitizer) and runs it for a bounded time, default
# 60 seconds, from the seed packets in fuzz/corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
out=build/fuzz
mkdir -p "$out/corpus"
clang++ -std=c++17 -g -O1 -fPIC -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    $(pkg-config --cflags Qt6Core) -Isrc/catalog \
    fuzz/fuzz_datapacket.cpp src/catalog/datapacket.cpp \
    $(pkg-config --libs Qt6Core) -lpugixml -o "$out/fuzz_datapacket"
cp -n fuzz/corpus/* "$out/corpus/" 2>/dev/null || true
"$out/fuzz_datapacket" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=1048576 \
    -print_final_stats=1 "$out/corpus" 2>"$out/fuzz.log" || { tail -50 "$out/fuzz.log"; exit 1; }
grep -E "^stat::number_of_executed_units|^Done" "$out/fuzz.log" || true
echo "fuzzing: no crash in ${seconds}s"
