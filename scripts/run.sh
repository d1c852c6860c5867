#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds the program and starts it with the bundled voice set.
# usage: run.sh [OPTIONS] [CORRECTION]   (the program's own; paths are relative to where you are)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-release"

"$root/scripts/install-deps.sh"
# Configured once: later builds re-run CMake by themselves when a CMakeLists.txt changes.
[[ -f "$build/CMakeCache.txt" ]] ||
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVIROD_BUILD_TESTS=OFF
cmake --build "$build" --parallel "$(nproc)"
exec "$build/bin/virod-idadidavir" "$@"
