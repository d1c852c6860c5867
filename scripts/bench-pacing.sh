#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Measures the reading pacing on the real window and sound path against a naive SDL2
# reader run as a separate process, on a quiet machine and with both cores busy, with
# the program on the sound server and on SDL2 (VIROD_SOUND_OUTPUT) side by side;
# Read -> first sound for both outputs against paplay and a minimal SDL2 client; and the
# first sound and first gap after Read, Resume and a message, and the gap after a long
# delay, against the naive reader, quiet and loaded (gaps_bench).
# Starts a private X server and PulseAudio null sink, and stops them afterwards.
# usage: scripts/bench-pacing.sh [--characters N] [--delay MS] [--tone-ms N] [--load] [--verbose]
#        scripts/bench-pacing.sh --gaps [--runs N] [--delay MS] [--hold-ms MS] [--long-delay-ms MS] [--load]
#        (without arguments: all of it, quiet and loaded)
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh --tests
cmake -S . -B build-tests -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVIROD_BUILD_TESTS=ON >/dev/null
cmake --build build-tests --parallel "$(nproc)" --target pacing_bench gaps_bench first_sound_bench startup_bench hello_window virod-idadidavir
services=build-tests/bench-services
tests/services/test-services.sh start "$services"
home=$(mktemp -d)
trap 'tests/services/test-services.sh stop "$services"; rm -rf "$home"' EXIT
export PULSE_SERVER=$(cat "$services/pulse-server") DISPLAY=$(cat "$services/display") SDL_AUDIODRIVER=pulseaudio
source tests/e2e/program_under_test.sh
use_own_home "$home"
if [[ "${1:-}" == --gaps ]]; then
    shift
    build-tests/bin/gaps_bench "$@"
elif [[ $# -gt 0 ]]; then
    build-tests/bin/pacing_bench "$@"
else
    # Every part runs, whatever another part found; the status says whether one failed.
    failed=0
    build-tests/bin/first_sound_bench --runs 5 || failed=1
    voice="$PWD/build-tests/share/virod-idadidavir/"
    build-tests/bin/startup_bench build-tests/bin/virod-idadidavir build-tests/bin/hello_window 20 --sons "$voice" 2>/dev/null || failed=1
    # Quit (SIGTERM, as Ctrl+C and the end of a session; the same path as Quitter) -> gone,
    # in the first 100 ms and with the output open.
    for wait in 0.1 1.2; do
        times=()
        for run in $(seq 10); do
            build-tests/bin/virod-idadidavir --sons "$voice" >/dev/null 2>&1 &
            pid=$!
            sleep "$wait"
            start=$(date +%s%N); kill -TERM "$pid"; wait "$pid" || true; end=$(date +%s%N)
            times+=($(( (end - start) / 1000 )))
        done
        printf '%s\n' "${times[@]}" | sort -n | awk -v wait="$wait" '{ t[NR] = $1 / 1000 }
            END { printf "quit %s s after start -> gone: median %.1f ms, max %.1f ms (%d runs)\n", wait, t[int(NR / 2) + 1], t[NR], NR }'
    done
    for output in pulse sdl; do
        VIROD_SOUND_OUTPUT=$output build-tests/bin/pacing_bench || failed=1
        VIROD_SOUND_OUTPUT=$output build-tests/bin/pacing_bench --load || failed=1
    done
    build-tests/bin/gaps_bench || failed=1
    build-tests/bin/gaps_bench --load || failed=1
    # The CPU figure varies from run to run on a shared machine: three runs.
    for run in 1 2 3; do
        build-tests/bin/pacing_bench --tone-ms 10 --delay 1 --characters 1000 || failed=1
    done
    exit "$failed"
fi
