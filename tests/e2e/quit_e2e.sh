#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Quit ends the program promptly whatever it is doing: while a sound plays, and while a
# large sound is being decoded. SIGTERM takes Quit's own path (as Ctrl+C and the end of
# a session do), and needs no keyboard focus on the test display. It waits for no sound, no decoding and no
# closing output. The bound here is loose (a busy test machine); scripts/bench-pacing.sh
# measures the time.
#
# usage: quit_e2e.sh PROGRAM SERVICES_DIR
set -euo pipefail
source "$(dirname "$0")/program_under_test.sh"
program=$1
services=$2

use_test_services "$services"
unset WINEPREFIX

work=$(mktemp -d)
app=""
cleanup() {
    [[ -n "$app" ]] && kill -9 "$app" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
use_own_home "$work/home"

# A 3 s tone, and a 4-minute one (15 MB at 8 kHz) that takes a while to decode.
sox -n -r 44100 -c 1 -b 16 "$work/long.wav" synth 3 sine 440 vol 0.5
sox -n -r 8000 -c 2 -b 32 "$work/huge.wav" synth 240 sine 440 vol 0.5
printf 'a long\r\nb huge\r\n' > "$work/kaloncor.ref"

# Sends SIGTERM to the child `pid` and waits for it to end: `gone_ms` is the time from
# the signal to the process gone, `status` its exit status. Past two seconds it is taken
# for hung and killed.
term_and_wait() {
    local pid=$1 start end guard
    status=0
    start=$(date +%s%N)
    kill -TERM "$pid"
    (sleep 2; kill -9 "$pid" 2>/dev/null) &
    guard=$!
    wait "$pid" || status=$?
    end=$(date +%s%N)
    kill "$guard" 2>/dev/null || true
    gone_ms=$(( (end - start) / 1000000 ))
}

# Loose: the time itself is a benchmark figure, not a test (a busy machine slows any exit).
bound_ms=300

# Starts the program on `correction`, presses Read, and quits after `wait` seconds.
quit_after_read() {
    local correction=$1 wait=$2 what=$3
    printf '%s' "$correction" > "$work/test.txt"
    "$program" --sons "$work/" "$work/test.txt" >>"$work/program.log" 2>&1 &
    app=$!
    window=$(xdotool search --sync --onlyvisible --pid "$app" --name "Virod Idadidavir" | head -1)
    eval "$(xdotool getwindowgeometry --shell "$window")"
    # Read, below the menu bar (the client area is 305 px high).
    xdotool mousemove "$((X + 200))" "$((Y + HEIGHT - 305 + 176))" click 1
    sleep "$wait"
    term_and_wait "$app"
    (( status != 137 )) || { echo "Quit $what: still running after 2 s"; exit 1; }
    (( status == 0 )) || { echo "Quit $what: the program did not end cleanly ($status)"; exit 1; }
    app=""
    echo "Quit $what: gone in ${gone_ms} ms"
    (( gone_ms <= bound_ms )) || { echo "Quit $what took too long"; exit 1; }
}

quit_after_read a 1 "while a sound plays"
quit_after_read b 0.1 "while a large sound is decoded"
echo "quit ok"
