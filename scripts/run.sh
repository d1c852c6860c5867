#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds the program and starts it with the bundled voice set.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
# Configured once: later builds re-run CMake by themselves when a CMakeLists.txt changes.
[[ -f build-release/CMakeCache.txt ]] ||
    cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DVIROD_BUILD_TESTS=OFF
cmake --build build-release --parallel "$(nproc)"
exec build-release/bin/virod-idadidavir "$@"
