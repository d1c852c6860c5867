#!/usr/bin/env bash
# Measures the reading pacing on the real sound path against a naive SDL2 baseline.
# Starts a private PulseAudio null sink for the recording and stops it afterwards.
# usage: scripts/bench-pacing.sh [--characters N] [--delay MS]
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh --tests
cmake -S . -B build-tests -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVIROD_BUILD_TESTS=ON >/dev/null
cmake --build build-tests --parallel "$(nproc)" --target pacing_bench
services=build-tests/bench-services
tests/services/test-services.sh start "$services"
trap 'tests/services/test-services.sh stop "$services"' EXIT
PULSE_SERVER=$(cat "$services/pulse-server") SDL_AUDIODRIVER=pulseaudio build-tests/bin/pacing_bench "$@"
