#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from the release build and prints its path.
# Install it with `sudo apt install ./build-release/virod-idadidavir_*.deb`.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh --package
[[ -f build-release/CMakeCache.txt ]] ||
    cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DVIROD_BUILD_TESTS=OFF
cmake --build build-release --parallel "$(nproc)"
cd build-release
rm -f virod-idadidavir_*.deb
cpack -G DEB >/dev/null
ls "$PWD"/virod-idadidavir_*.deb
