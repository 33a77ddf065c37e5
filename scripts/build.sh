#!/usr/bin/env bash
# Configures and builds TENDRO into build/ (the build folder is a working installation).
#   ./scripts/build.sh            every target: the program, the tests, the benchmarks
#   ./scripts/build.sh tendro     only the named targets and what they need
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
targets=()
for t in "$@"; do
  targets+=(--target "$t")
done
cmake --build build -j2 "${targets[@]}"
