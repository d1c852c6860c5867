#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What the real program does with files far bigger than an exercise: for each, it starts
# the program, presses Read (F5) and reports the time until a message shows (or, for a
# sound it plays, until the first sound is heard), the peak resident memory above idle,
# and the time Quit takes to end the process (SIGTERM, Quit's own path) right after Read,
# while a sound is still being decoded.
#   sounds: 63 MB 8-bit mono at 1000 Hz (17 hours), 4 MB at 1000 Hz (70 minutes),
#           16 MB mu-law at 8 kHz (35 minutes); and, for Quit while decoding, the
#           largest sound allowed (63 MB, 16-bit stereo at 96 kHz, 2 min 44 s) and a
#           5.5-minute mu-law one (through the whole-file decoder, then resampled);
#   corrections: sparse files of 1 GB, 3 GB and 12 GB, and a 63 MB one read whole.
# usage: big-files.sh [PROGRAM]   (default: build-tests/bin/virod-idadidavir)
# Needs DISPLAY with a window manager and PULSE_SERVER (tests/services/test-services.sh
# start DIR, then openbox), xdotool, python3 and sox.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-$root/build-tests/bin/virod-idadidavir}
work=$(mktemp -d)
app=""
cleanup() {
    [[ -n "$app" ]] && kill -9 "$app" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
source "$root/tests/e2e/program_under_test.sh"
use_own_home "$work/home"

# A WAV whose body is one byte value repeated: header from the arguments, then `size` bytes.
write_wav() { # path format(1 PCM, 7 mu-law) rate bits size
    python3 - "$@" <<'EOF'
import struct, sys
path, fmt, rate, bits, size = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4]), int(sys.argv[5])
align = bits // 8
header = b'RIFF' + struct.pack('<I', 36 + size) + b'WAVEfmt ' + struct.pack('<IHHIIHH', 16, fmt, 1, rate, rate * align, align, bits)
with open(path, 'wb') as f:
    f.write(header + b'data' + struct.pack('<I', size))
    chunk = (b'\x90' if fmt == 1 else b'\x10') * (1 << 20)
    for _ in range(size >> 20):
        f.write(chunk)
    f.write(chunk[: size & ((1 << 20) - 1)])
EOF
}
write_wav "$work/low63.wav" 1 1000 8 $((63 * 1000 * 1000))
write_wav "$work/low4.wav" 1 1000 8 $((4 * 1000 * 1000))
write_wav "$work/mulaw16.wav" 7 8000 8 $((16 * 1000 * 1000))
sox -n -r 96000 -c 2 -b 16 "$work/big96.wav" synth 164 sine 440 vol 0.5
sox -n -r 8000 -c 1 -e u-law "$work/mulaw5min.wav" synth 330 sine 440 vol 0.5
printf 'a low63\r\nb low4\r\nc mulaw16\r\nd big96\r\ne mulaw5min\r\n' > "$work/kaloncor.ref"
# Written to disk before the figures: Quit writes the remembered settings, whose lock
# file is synced, and a disk still busy with these files would make that the figure.
sync

kb() { awk -v key="$2:" '$1 == key { print $2 }' "/proc/$1/status"; }
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
windows() { xdotool search --onlyvisible --pid "$1" --name 'Virod' 2>/dev/null | wc -l; }

# Starts the program on `correction` and waits until its window shows and it is idle.
start() { # correction
    "$program" --sons "$work/" --delai 1000 "$1" >>"$work/program.log" 2>&1 &
    app=$!
    xdotool search --sync --onlyvisible --pid "$app" --name 'Virod' >/dev/null
    sleep 1.5
    idle=$(kb "$app" VmRSS)
    echo 5 > "/proc/$app/clear_refs" # the peak counts from here
}

# Quit (SIGTERM) -> process gone, in ms, into `quit_ms` (waited for here: only the shell
# that started the program can wait for it).
quit() {
    local begin; begin=$(date +%s%N)
    kill -TERM "$app"
    wait "$app" 2>/dev/null || true
    app=""
    quit_ms=$(( ($(date +%s%N) - begin) / 1000000 ))
}

# Presses Read and waits up to `limit` ms for a message; prints the time or "none".
read_until_message() { # limit_ms
    local begin; begin=$(now_ms)
    xdotool key --clearmodifiers F5
    while (( $(now_ms) - begin < $1 )); do
        if (( $(windows "$app") >= 2 )); then echo $(( $(now_ms) - begin )); return; fi
        sleep 0.005
    done
    echo none
}

for sign in a b c; do
    name=$(awk -v s="$sign" '$1 == s { sub(/\r/, "", $2); print $2 }' "$work/kaloncor.ref")
    printf '%s' "$sign" > "$work/test.txt"
    start "$work/test.txt"
    shown=$(read_until_message 10000)
    sleep 0.5
    peak=$(kb "$app" VmHWM)
    quit
    printf '%s (%s MB): Read -> message %s ms, peak %d MB above idle, quit %s ms\n' "$name" \
        "$(( $(stat -c %s "$work/$name.wav") / 1000000 ))" "$shown" $(( (peak - idle) / 1024 )) "$quit_ms"
done

# Quit in the middle of decoding: 20 ms after Read.
for sign in d e; do
    name=$(awk -v s="$sign" '$1 == s { sub(/\r/, "", $2); print $2 }' "$work/kaloncor.ref")
    printf '%s' "$sign" > "$work/test.txt"
    times=()
    for run in 1 2 3 4 5; do
        start "$work/test.txt"
        xdotool key --clearmodifiers F5
        sleep 0.02
        quit
        times+=("$quit_ms")
    done
    echo "$name ($(( $(stat -c %s "$work/$name.wav") / 1000000 )) MB), quit 20 ms after Read, while decoding: ${times[*]} ms"
done

for size in 1G 3G 12G; do
    truncate -s "$size" "$work/big.txt"
    start "$work/big.txt"
    shown=$(read_until_message 5000)
    peak=$(kb "$app" VmHWM)
    # The window answers: the message closes with Return and Read shows it again.
    xdotool key --clearmodifiers Return
    sleep 0.2
    again=$(read_until_message 5000)
    quit
    printf 'correction %s: Read -> message %s ms, again after closing it %s ms, peak %d MB above idle, quit %s ms\n' \
        "$size" "$shown" "$again" $(( (peak - idle) / 1024 )) "$quit_ms"
    rm -f "$work/big.txt"
done
