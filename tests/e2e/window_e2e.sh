#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The program as a user starts it, in a real X server with the test sound server:
# it opens its window, reads a short correction with the bundled voice set when Read is
# clicked, and the Read button comes back at the end. Leaves screenshots in OUT_DIR.
#
# usage: window_e2e.sh PROGRAM SERVICES_DIR OUT_DIR
set -euo pipefail
source "$(dirname "$0")/program_under_test.sh"
program=$1
services=$2
out=$3
mkdir -p "$out"

[[ -s "$services/display" ]] || { echo "no test X server"; exit 1; }
export DISPLAY=$(cat "$services/display")
# The sound is part of what is checked: without a sound server this fails, unless the
# developer opted out of sound tests (VIROD_NO_SOUND_TESTS=1).
if [[ -s "$services/pulse-server" ]]; then
    export PULSE_SERVER=$(cat "$services/pulse-server")
elif [[ "${VIROD_NO_SOUND_TESTS:-}" != 1 ]]; then
    echo "no test sound server (set VIROD_NO_SOUND_TESTS=1 to test without sound)"; exit 1
fi

work=$(mktemp -d)
app=""
recorder=""
cleanup() {
    [[ -n "$recorder" ]] && kill "$recorder" 2>/dev/null
    [[ -n "$app" ]] && kill "$app" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# A home of its own, so the bundled voice set is the default; a short correction of
# our own replaces the bundled sample in the correction field.
use_own_home "$work/home"
printf 'VVV\r\nE5 ' > "$work/short.txt"
"$program" >"$out/program.log" 2>&1 &
app=$!

window=$(xdotool search --sync --onlyvisible --name "Virod Idadidavir" | head -1)
title=$(xdotool getwindowname "$window")
echo "window title: $title"
[[ "$title" == "Virod Idadidavir Version 1.1.1" ]] || { echo "unexpected title"; exit 1; }
eval "$(xdotool getwindowgeometry --shell "$window")"
menu=$((HEIGHT - 305)) # the client area is 305 px high, below the menu bar
# Started: its output is open on the sound server.
[[ -n "${PULSE_SERVER:-}" ]] && wait_for_stream "$app" 1 10 "the output opened after start"

click() { xdotool mousemove "$((X + $1))" "$((Y + menu + $2))" click 1; }
buttons() { import -window root -crop "370x20+$((X + 108))+$((Y + menu + 166))" "$1"; }

# Point the correction field at the short text.
click 150 217
xdotool key --clearmodifiers ctrl+a
xdotool type --delay 5 "$work/short.txt"
# Read has the focus at rest after a reading: compare with it focused from the start.
xdotool key --clearmodifiers shift+Tab
buttons "$out/buttons-at-rest.png"

if [[ -n "${PULSE_SERVER:-}" ]]; then
    parecord --device=null.monitor --file-format=wav "$out/heard.wav" &
    recorder=$!
    sleep 0.3
fi
click 200 176 # Lire la correction
# Wait for Stop and Pause to show (a busy machine may take a while to paint them).
for _ in $(seq 40); do
    sleep 0.1
    buttons "$out/buttons-reading.png"
    compare -metric AE -fuzz 20% "$out/buttons-at-rest.png" "$out/buttons-reading.png" null: 2>/dev/null || break
done
import -window root "$out/reading.png"

# Wait for the run to end: the buttons look as they did at rest (the fuzz allows
# for the hover and focus shading of the Read button).
for _ in $(seq 60); do
    sleep 0.25
    buttons "$out/buttons-now.png"
    if compare -metric AE -fuzz 20% "$out/buttons-at-rest.png" "$out/buttons-now.png" null: 2>/dev/null; then
        break
    fi
done
import -window root "$out/after.png"
compare -metric AE -fuzz 20% "$out/buttons-at-rest.png" "$out/buttons-reading.png" null: 2>/dev/null \
    && { echo "the Stop and Pause buttons never showed"; exit 1; }
compare -metric AE -fuzz 20% "$out/buttons-at-rest.png" "$out/buttons-now.png" null: 2>/dev/null \
    || { echo "the Read button did not come back"; exit 1; }

if [[ -n "$recorder" ]]; then
    sleep 0.5
    kill "$recorder"; wait "$recorder" 2>/dev/null || true
    recorder=""
    peak=$(sox "$out/heard.wav" -n stat 2>&1 | awk '/Maximum amplitude/ {print $3}')
    echo "loudest sample heard: $peak"
    awk -v p="$peak" 'BEGIN { exit !(p > 0.1) }' || { echo "nothing was heard"; exit 1; }
fi

xdotool key --window "$window" alt+f
sleep 0.3
xdotool key Up Return # Quitter, the last item
for _ in $(seq 40); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$app" 2>/dev/null; then echo "File > Quit did not end the program"; exit 1; fi
wait "$app" || { echo "the program did not end cleanly"; exit 1; }
app=""
echo "window end-to-end: passed"
