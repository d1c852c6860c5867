#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test. The tests that need
# a display or a sound server start their own (Xvfb, a PulseAudio null sink) and stop
# them afterwards, so this runs on a machine with neither.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh --tests
cmake -S . -B build-tests -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVIROD_BUILD_TESTS=ON
cmake --build build-tests --parallel "$(nproc)"
cd build-tests
ctest --output-on-failure --timeout 300 "$@"
