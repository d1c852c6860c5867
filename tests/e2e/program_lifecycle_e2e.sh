#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The installed program's life as the system sees it, with the test sound server:
#  - idle, it leaves the sound server alone and costs next to no CPU;
#  - a Read after a long idle still plays its first sound whole;
#  - SIGTERM, SIGINT and SIGHUP end it within a second, whatever it is doing,
#    including in its first second, before the sound server has started its stream.
#
# usage: program_lifecycle_e2e.sh PROGRAM HEARD_SOUNDS SERVICES_DIR OUT_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/program_under_test.sh"
program=$1
heard_sounds=$2
services=$3
out=$4
mkdir -p "$out"

use_test_services "$services"
unset WINEPREFIX

work=$(mktemp -d)
app=""
recorder=""
cleanup() {
    [[ -n "$recorder" ]] && kill "$recorder" 2>/dev/null
    [[ -n "$app" ]] && kill -9 "$app" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# A trainer folder of our own under a fake home: two tones and a table for them.
use_own_home "$work/home"
folder="$HOME/.wine/drive_c/Program Files/Kalon Morse"
mkdir -p "$folder"
sox -n -r 44100 -c 1 -b 16 "$folder/grave.wav" synth 0.3 square 440 vol 0.5
sox -n -r 44100 -c 1 -b 16 "$folder/aigu.wav" synth 0.2 square 880 vol 0.5
printf 'a grave\r\nb aigu\r\n' > "$folder/kaloncor.ref"

launch() {
    printf '%s' "$1" > "$folder/test.txt"
    "$program" >>"$out/program.log" 2>&1 &
    app=$!
    window=$(xdotool search --sync --onlyvisible --pid "$app" --name "Virod Idadidavir" | head -1)
    eval "$(xdotool getwindowgeometry --shell "$window")"
    menu=$((HEIGHT - 305)) # the client area is 305 px high, below the menu bar
}
click_read() { xdotool mousemove "$((X + 200))" "$((Y + menu + 176))" click 1; }
cpu_ms() { awk '{ print ($14 + $15) * 1000 / '"$(getconf CLK_TCK)"' }' "/proc/$app/stat"; }
our_streams() { streams_of "$app"; }

# Waits until a window of the program whose title matches the pattern is shown.
expect_window() {
    local pattern=$1 what=$2
    for _ in $(seq 50); do
        xdotool search --onlyvisible --pid "$app" --name "$pattern" >/dev/null 2>&1 && { echo "$what"; return 0; }
        sleep 0.1
    done
    echo "$what: no such window"; exit 1
}

# Records the sink until WANT sounds have been heard and the last one ended a while ago
# (at most 15 s), then prints what was heard: onset, length and pitch, one a line.
record_sounds() {
    local want=$1 wav=$2
    parecord --device=null.monitor --latency-msec=100 --file-format=wav "$wav" &
    recorder=$!
    sleep 0.5
    "${@:3}"
    for _ in $(seq 60); do
        sleep 0.25
        sox --ignore-length "$wav" "$work/snapshot.wav" 2>/dev/null || continue
        local heard_ms
        heard_ms=$(soxi -D "$work/snapshot.wav" | awk '{ print $1 * 1000 }')
        "$heard_sounds" "$work/snapshot.wav" | awk -v want="$want" -v heard="$heard_ms" \
            'END { exit !(NR >= want && $1 + $2 < heard - 400) }' && break
    done
    kill "$recorder"; wait "$recorder" 2>/dev/null || true
    recorder=""
    sox --ignore-length "$wav" "$work/snapshot.wav"
    "$heard_sounds" "$work/snapshot.wav"
}

# Ends within a second of the signal, with a clean exit status.
expect_ends_on() {
    local signal=$1 state=$2
    kill "-$signal" "$app"
    for _ in $(seq 10); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$app" 2>/dev/null; then echo "SIG$signal did not end the program ($state)"; exit 1; fi
    wait "$app" || { echo "SIG$signal ($state): the program did not end cleanly"; exit 1; }
    app=""
    echo "SIG$signal ends the program ($state)"
}

# Idle: past the idle close, nothing of ours on the sound server, and hardly any CPU.
launch "abab"
wait_for_stream "$app" 1 10 "the output opened after start"
# The output closes 5 s after its last sound.
wait_for_stream "$app" 0 8 "idle, the program still has a stream on the sound server"
before=$(cpu_ms)
sleep 10
used=$(awk -v a="$before" -v b="$(cpu_ms)" 'BEGIN { print b - a }')
echo "CPU used in 10 idle seconds: ${used} ms"
awk -v u="$used" 'BEGIN { exit !(u <= 100) }' || { echo "too much CPU while idle"; exit 1; }
[[ $(our_streams) -eq 0 ]] || { echo "idle, the program opened a stream"; exit 1; }

# The Read after the idle: its first sound is heard whole, the others follow.
record_sounds 4 "$out/after-idle.wav" click_read | tee "$out/after-idle.txt"
awk 'NR == 1 { first = $2; pitch = $3 } END {
        ok = NR == 4 && first > 297 && first < 303 && pitch > 420 && pitch < 460
        if (!ok) print "after the idle, expected 4 sounds, the first 300 ms at 440 Hz"
        exit !ok }' "$out/after-idle.txt"

# Reading.
wait_for_sound 5 click_read
expect_ends_on TERM "reading"

# A missing-sound message open.
launch "x"
wait_for_stream "$app" 1 10 "the output opened after start"
click_read
expect_window '^Virod idadidavir$' "the missing-sound message is open"
import -window root "$out/message-open.png"
expect_ends_on INT "message box open"

# About open.
launch "ab"
xdotool key --window "$window" alt+a
expect_window '^A propos$' "About is open"
expect_ends_on HUP "About open"

# In its first moments, before the sound server has started the stream.
launch "ab"
expect_ends_on TERM "just started"
echo "program life end-to-end: passed"
