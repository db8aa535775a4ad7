#!/usr/bin/env bash
# Installs what Vidlume needs, builds the test build (AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs every test, then the fuzz targets for a short while.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$top/tools/deps.sh"
jobs=$(nproc)

build="$top/build/test"
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVIDLUME_TESTS=ON -DVIDLUME_SANITIZE=ON >/dev/null
cmake --build "$build" -j "$jobs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions="$top/tests/lsan.supp":print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure -j "$jobs"

fuzz="$top/build/fuzz"
CC=clang CXX=clang++ cmake -S "$top" -B "$fuzz" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVIDLUME_FUZZ=ON >/dev/null
cmake --build "$fuzz" -j "$jobs" --target fuzzers
for corpus in "$top"/fuzz/corpus/*/; do
  name=$(basename "$corpus")
  work=$(mktemp -d)
  cp -r "$corpus". "$work"
  echo "fuzzing $name for ${VIDLUME_FUZZ_SECONDS:-20} s"
  "$fuzz/fuzz/${name}_fuzzer" -max_total_time="${VIDLUME_FUZZ_SECONDS:-20}" -print_final_stats=0 "$work" 2>"$work.log" \
    || { tail -50 "$work.log"; exit 1; }
  rm -rf "$work" "$work.log"
done
echo "fuzz targets ran clean"
