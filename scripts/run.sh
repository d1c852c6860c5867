#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it with the bundled voice set.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DVIROD_BUILD_TESTS=OFF
cmake --build build-release --parallel "$(nproc)"
exec build-release/bin/virod-idadidavir "$@"
