#!/usr/bin/env bash
# Builds the fuzz targets with clang (build-fuzz/) and runs each for a
# bounded time, starting from the seeds in fuzz/corpus/. Exits non-zero on
# the first crash; the input that made it is left in build-fuzz/.
#   ./scripts/fuzz.sh [seconds per target, default 60]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
bash scripts/install-deps.sh clang libclang-rt-14-dev
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTENDRO_FUZZ=ON
cmake --build build-fuzz -j2
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export QT_QPA_PLATFORM=offscreen
for target in formula numbers pattern entry import; do
  work="build-fuzz/corpus/$target"
  mkdir -p "$work"
  echo "== fuzz_$target for ${seconds}s"
  (cd build-fuzz && "./fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
     -artifact_prefix="$PWD/crash-$target-" "$PWD/corpus/$target" "$PWD/../fuzz/corpus/$target")
done
echo "No crash."
