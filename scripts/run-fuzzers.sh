#!/bin/sh
# Builds the libFuzzer targets with clang (address and undefined-behaviour
# sanitizers on) and runs each for a bounded time, starting from its seeds.
# Usage: scripts/run-fuzzers.sh [seconds per target]
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-${FUZZ_SECONDS:-60}}
build=${FUZZ_BUILD:-build-fuzz}
CC=clang CXX=clang++ cmake -S . -B "$build" -DVANTORIX_FUZZ=ON -DBUILD_TESTING=OFF \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)" --target fuzzers
# Real inventory files as seeds: the program of the ordinary build (when
# there is one) converts the real single-class captures.
program=${VANTORIX_PROGRAM:-build/app/vantorix}
captures=${VANTORIX_SHARED_DIR:-../shared}/realdata/wmi/glpi-agent-wmic-list
written="$build/fuzz/seeds-inventoryfile-written"
if [ -x "$program" ] && [ -d "$captures" ]; then
    mkdir -p "$written"
    for capture in "$captures"/*-Win32_*.wmi; do
        "$program" --open "$capture" --save-json "$written/$(basename "$capture").json" 2>/dev/null || true
    done
fi
for target in $(cat "$build/fuzz/targets.txt"); do
    seeds=$(grep "^$target " "$build/fuzz/seeds.txt" | cut -d' ' -f2-)
    corpus="$build/fuzz/corpus-$target"
    mkdir -p "$corpus"
    echo "== $target for ${seconds}s"
    "$build/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 "$corpus" $seeds
done
