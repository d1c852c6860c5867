#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# « Ma copie » as a learner uses it, in a real X server with the test sound server: a
# copy with two errors is typed and compared, and « Lire les erreurs » plays the sounds
# of the two groups that hold them, and no other, with a longer pause between them.
# Leaves a screenshot of the result and the recording in OUT_DIR.
#
# usage: copy_e2e.sh PROGRAM HEARD_SOUNDS SERVICES_DIR OUT_DIR
set -euo pipefail
source "$(dirname "$0")/program_under_test.sh"
program=$1
heard_sounds=$2
services=$3
out=$4
mkdir -p "$out"

use_test_services "$services"

work=$(mktemp -d)
app=""
recorder=""
cleanup() {
    [[ -n "$recorder" ]] && kill "$recorder" 2>/dev/null
    [[ -n "$app" ]] && kill "$app" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# A trainer folder under a fake home: a tone of its own pitch for each of a, b and c.
home="$work/home"
folder="$home/.wine/drive_c/Program Files/Kalon Morse"
mkdir -p "$folder"
sox -n -r 44100 -c 1 -b 16 "$folder/la.wav" synth 0.2 square 440 vol 0.5
sox -n -r 44100 -c 1 -b 16 "$folder/mi.wav" synth 0.2 square 660 vol 0.5
sox -n -r 44100 -c 1 -b 16 "$folder/aigu.wav" synth 0.2 square 880 vol 0.5
printf 'a la\r\nb mi\r\nc aigu\r\n' > "$folder/kaloncor.ref"
printf 'abc bca\r\ncab' > "$folder/test.txt"

use_own_home "$home"
"$program" >"$out/program.log" 2>&1 &
app=$!
main=$(xdotool search --all --sync --onlyvisible --pid "$app" --name "Virod Idadidavir" | head -1)
sleep 1 # past the start-up tick
xdotool windowfocus --sync "$main"
xdotool key --clearmodifiers ctrl+m
copy=$(xdotool search --all --sync --onlyvisible --pid "$app" --name '^Ma copie$' | head -1)
xdotool windowfocus --sync "$copy"
# Group 2 with c copied as b, group 3 with its a missed; case and blanks do not count.
xdotool type --delay 20 "ABC  BBA CB"
xdotool key --clearmodifiers ctrl+Return
sleep 0.5
import -window "$copy" "$out/compared.png"

parecord --device=null.monitor --latency-msec=100 --file-format=wav "$out/errors.wav" &
recorder=$!
sleep 0.5
xdotool key --clearmodifiers F5 # Lire les erreurs
# Until six sounds are heard, and a second of silence after them (at most 15 s).
heard=""
for _ in $(seq 60); do
    sleep 0.25
    sox --ignore-length "$out/errors.wav" "$work/now.wav" 2>/dev/null || continue
    length_ms=$(soxi -D "$work/now.wav" | awk '{ print $1 * 1000 }')
    heard=$("$heard_sounds" "$work/now.wav")
    awk -v length_ms="$length_ms" 'END { exit !(NR >= 6 && $1 + $2 < length_ms - 1000) }' <<<"$heard" && break
done
kill "$recorder"; wait "$recorder" 2>/dev/null || true
recorder=""
echo "heard (onset ms, length ms, pitch Hz):"
echo "$heard"

# b c a, then c a b: the pitches in order, and nothing else.
pitches=$(awk '{ printf "%s ", ($3 < 550 ? "a" : $3 < 770 ? "b" : "c") }' <<<"$heard")
echo "sounds heard: $pitches"
[[ "$pitches" == "b c a c a b " ]] || { echo "expected the sounds of « bca » and « cab » only"; exit 1; }
# The pause between the two groups is longer than the one inside a group.
awk 'NR == 2 { inside = $1 - onset } NR == 4 { between = $1 - onset } { onset = $1 }
     END { printf "onset to onset: %d ms inside a group, %d ms between groups\n", inside, between;
           exit !(between > inside + 50) }' <<<"$heard" || { echo "no longer pause between the groups"; exit 1; }

xdotool windowfocus --sync "$main"
xdotool key --clearmodifiers ctrl+q
for _ in $(seq 40); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
wait "$app" || { echo "the program did not end cleanly"; exit 1; }
app=""
echo "copy end-to-end: passed"
