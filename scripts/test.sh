#!/usr/bin/env bash
# Installs what is missing, builds and runs every test headless.
#   ./scripts/test.sh             the usual build, in build/
#   ./scripts/test.sh --sanitize  everything under ASan and UBSan, in build-sanitize/, then
#                                 the fuzz targets built (build-fuzz/) and run 5 s each
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
if [ "${1:-}" = "--sanitize" ]; then
  cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTENDRO_SANITIZE=ON
  cmake --build build-sanitize -j2
  cd build-sanitize
  export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
  export LSAN_OPTIONS="suppressions=$PWD/../tests/sanitizer/lsan.supp:print_suppressions=0"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
  QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2
  cd ..
  # The fuzz targets are sanitizer builds too: each is built and run briefly, so
  # that none stops building unnoticed.
  bash scripts/fuzz.sh 5
else
  bash scripts/build.sh
  cd build
  QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2
fi
