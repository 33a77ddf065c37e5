#!/usr/bin/env bash
# Installs what is missing, builds the program alone (the tests are
# ./scripts/test.sh's business) and starts TENDRO.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh tendro
exec ./build/tendro "$@"
