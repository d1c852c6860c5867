#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Measures the reading pacing on the real window and sound path against a naive SDL2
# reader run as a separate process, on a quiet machine and with both cores busy, with
# the program on the sound server and on SDL2 (VIROD_SOUND_OUTPUT) side by side;
# Read -> first sound for both outputs against paplay and a minimal SDL2 client; and the
# first sound and first gap after Read, Resume and a message, and the gap after a long
# delay, against the naive reader, quiet and loaded (gaps_bench); loaded pacing of
# short sounds with the priority raises allowed and not (as for a desktop user); the
# first sounds and gaps on PipeWire beside paplay and the naive reader on the same server;
# and the wake-ups a minute of the program held by a pause against a Qt window at rest.
# Starts a private X server with a PulseAudio null sink, and one with PipeWire's
# (pipewire-pulse), and stops them afterwards.
# usage: scripts/bench-pacing.sh [--characters N] [--delay MS] [--tone-ms N] [--load] [--verbose]
#        scripts/bench-pacing.sh --gaps [--runs N] [--delay MS] [--hold-ms MS] [--long-delay-ms MS]
#                                       [--early-read-ms MS] [--load]
#        scripts/bench-pacing.sh --pipewire    (PipeWire's part alone)
#        scripts/bench-pacing.sh --wake-ups    (the pause against a Qt window alone)
#        (without arguments: all of it, quiet and loaded)
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh --tests
cmake -S . -B build-tests -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVIROD_BUILD_TESTS=ON >/dev/null
cmake --build build-tests --parallel "$(nproc)" --target pacing_bench gaps_bench first_sound_bench startup_bench hello_window virod-idadidavir voice_set
services=build-tests/bench-services
pipewire=build-tests/bench-services-pipewire
home=$(mktemp -d)
trap 'tests/services/test-services.sh stop "$services"; tests/services/test-services.sh stop "$pipewire"; rm -rf "$home"' EXIT
tests/services/test-services.sh start "$services"
export PULSE_SERVER=$(cat "$services/pulse-server") DISPLAY=$(cat "$services/display") SDL_AUDIODRIVER=pulseaudio
source tests/e2e/program_under_test.sh
use_own_home "$home"
voice="$PWD/build-tests/share/virod-idadidavir/"

# The first sounds and gaps on PipeWire, the program beside paplay and the naive reader
# on the same server; then how often pipewire-pulse found its loop's queue full.
on_pipewire() {
    local failed=0
    tests/services/test-services.sh start "$pipewire" pipewire
    echo "--- on $(PULSE_SERVER=$(cat "$pipewire/pulse-server") pactl info | sed -n 's/^Server Name: //p')"
    PULSE_SERVER=$(cat "$pipewire/pulse-server") build-tests/bin/first_sound_bench --runs 5 || failed=1
    PULSE_SERVER=$(cat "$pipewire/pulse-server") build-tests/bin/gaps_bench || failed=1
    echo "pipewire-pulse \"loop_invoke queue full\" warnings: $(grep -c 'queue full' "$pipewire/pipewire-pulse.log")"
    tests/services/test-services.sh stop "$pipewire"
    return "$failed"
}

# Context switches (each a wake-up) a minute of process $1, over $2 s: per thread, so
# that a thread ending meanwhile takes none of the others' away (its own are lost).
wake_ups_a_minute() {
    local pid=$1 seconds=$2 before
    per_thread() {
        local status
        for status in /proc/"$pid"/task/*/status; do
            awk -v task="$status" '/ctxt_switches/ { n += $2 } END { print task, n }' "$status" 2>/dev/null
        done
    }
    before=$(per_thread)
    sleep "$seconds"
    per_thread | awk -v seconds="$seconds" -v before="$before" '
        BEGIN { n = split(before, lines, "\n"); for (i = 1; i <= n; i++) { split(lines[i], f, " "); was[f[1]] = f[2] } }
        { total += $2 - was[$1] }
        END { printf "%d\n", total * 60 / seconds }'
}

# The program held by a pause for 8 s mid-reading of a long correction (F5, then F6),
# against a Qt window at rest.
wake_ups_in_a_pause() {
    local program window hello
    printf 'VIROD IDADIDAVIR %.0s' $(seq 20) > "$services/long.txt"
    build-tests/bin/virod-idadidavir --sons "$voice" --delai 100 "$services/long.txt" \
        >/dev/null 2>&1 &
    program=$!
    window=$(xdotool search --sync --onlyvisible --pid "$program" --name "Virod Idadidavir" | head -1)
    sleep 1
    xdotool windowfocus --sync "$window"
    xdotool key F5
    sleep 1
    xdotool key F6
    sleep 1 # the pause holds after the next sound
    echo "wake-ups a minute during an 8 s pause: program $(wake_ups_a_minute "$program" 8)"
    echo "  (the program's streams on the server at the end of the pause: $(streams_of "$program"))"
    kill "$program"; wait "$program" || true
    build-tests/bin/hello_window >/dev/null 2>&1 &
    hello=$!
    xdotool search --sync --onlyvisible --pid "$hello" --name "hello_window" >/dev/null
    sleep 1
    echo "wake-ups a minute over 8 s at rest: Qt hello window $(wake_ups_a_minute "$hello" 8)"
    kill "$hello"; wait "$hello" || true
}

if [[ "${1:-}" == --gaps ]]; then
    shift
    build-tests/bin/gaps_bench "$@"
elif [[ "${1:-}" == --pipewire ]]; then
    on_pipewire
elif [[ "${1:-}" == --wake-ups ]]; then
    wake_ups_in_a_pause
elif [[ $# -gt 0 ]]; then
    build-tests/bin/pacing_bench "$@"
else
    # Every part runs, whatever another part found; the status says whether one failed.
    failed=0
    build-tests/bin/first_sound_bench --runs 5 || failed=1
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
    # 100 sounds of 10 ms at delay 20 on two busy cores: priorities raised where allowed
    # (root), and not, as for a desktop user.
    for no_raise in 0 1; do
        VIROD_NO_PRIORITY_RAISE=$no_raise build-tests/bin/pacing_bench --tone-ms 10 --delay 20 --load || failed=1
    done
    wake_ups_in_a_pause || failed=1
    on_pipewire || failed=1
    # The CPU figure varies from run to run on a shared machine: three runs.
    for run in 1 2 3; do
        build-tests/bin/pacing_bench --tone-ms 10 --delay 1 --characters 1000 || failed=1
    done
    exit "$failed"
fi
