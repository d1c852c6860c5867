#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds everything and runs every test. The tests that need
# a display or a sound server start their own (Xvfb; a null sink on PulseAudio, and on
# PipeWire with pipewire-pulse) and stop them afterwards, so this runs on a machine with
# neither.
# Then the whole suite again under AddressSanitizer + UndefinedBehaviorSanitizer (clang,
# build-asan/), and each fuzz target for 20 seconds (VIROD_FUZZ_SECONDS to change it).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh --tests
cmake -S . -B build-tests -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVIROD_BUILD_TESTS=ON
cmake --build build-tests --parallel "$(nproc)"
(cd build-tests && ctest --output-on-failure --timeout 300 "$@")

CC=clang CXX=clang++ cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVIROD_BUILD_TESTS=ON \
    -DVIROD_SANITIZE=ON -DVIROD_BUILD_FUZZERS=ON
cmake --build build-asan --parallel "$(nproc)"
suppressions="$PWD/tests/sanitizers"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=0"
export LSAN_OPTIONS="suppressions=$suppressions/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# Under the sanitizers everything runs several times slower, so the assertions on sound
# timing to the millisecond (ctest label sound_timing) are left to the normal build above;
# every other test runs once, as there.
(cd build-asan && ctest --output-on-failure --timeout 600 --label-exclude sound_timing "$@")
scripts/fuzz.sh build-asan "${VIROD_FUZZ_SECONDS:-20}"
