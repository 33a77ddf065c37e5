#!/usr/bin/env bash
# Configures and builds TENDRO into build/ (the build folder is a working installation).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2
