#!/usr/bin/env bash
# Fuzzes the settings loader with libFuzzer (clang, ASan, UBSan) for the
# given number of seconds (default 30), starting from tests/fuzz/corpus.
# New inputs go to build/fuzz/corpus, not into the repository. Ends with one
# line: "fuzz: N runs in S s, no crash" or a failure.
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
cmake --preset fuzz >/dev/null && cmake --build --preset fuzz >/dev/null || { echo "fuzz: build failed"; exit 1; }
mkdir -p build/fuzz/corpus build/fuzz/crashes
log=build/fuzz/last-run.txt
build/fuzz/tests/fuzz/settings_fuzz -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
  -artifact_prefix=build/fuzz/crashes/ build/fuzz/corpus tests/fuzz/corpus >"$log" 2>&1
status=$?
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
if [ "$status" -ne 0 ]; then
  tail -n 30 "$log"
  echo "fuzz: FAILED after ${runs:-?} runs (inputs in build/fuzz/crashes)"
  exit 1
fi
echo "fuzz: ${runs:-0} runs in ${seconds} s, $(ls build/fuzz/corpus | wc -l) corpus files, no crash"
