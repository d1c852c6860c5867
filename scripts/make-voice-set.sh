#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the bundled French voice set: one WAV per sound, spoken by espeak-ng's French
# voice (22050 Hz, mono, 16-bit), the table kaloncor.ref (CR LF rows: character, blank,
# sound name) and the sample exercise (Windows-1252, as the trainer writes it).
# The table is UTF-8: Windows-1252 has no narrow no-break space, and a file that is all
# UTF-8 is read as UTF-8.
#
# Every sound is trimmed to its speech, brought to the same loudness with peaks at most
# -1 dBFS, and faded over 5 ms at both ends so that it starts and stops without a click.
#
# usage: make-voice-set.sh VOICE_SET_TSV SAMPLE_EXERCISE OUTPUT_FOLDER
set -euo pipefail
export LC_ALL=C.UTF-8

list=$1
sample=$2
out=$3
mkdir -p "$out"
# Sounds of an earlier list must not linger in the folder (it is installed whole).
rm -f "$out"/*.wav
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Loudness of every sound, in dBFS RMS, before the final -1 dB that keeps peaks below -1 dBFS.
target_rms=-18
# No dither: the same sources give the same bytes on every build.
sox=(sox -D -V1)

table="$work/kaloncor.utf8"
: > "$table"

# The blank between groups: a short silence, so spaces cost neither a message nor time.
# French typography's no-break spaces (U+00A0, narrow U+202F) and the tab are blanks too.
"${sox[@]}" -n -r 22050 -c 1 -b 16 "$out/silence.wav" trim 0 0.1
for blank in ' ' $'\u00A0' $'\u202F' $'\t'; do
    printf '%s silence\r\n' "$blank" >> "$table"
done

while IFS=$'\t' read -r name spoken characters; do
    [[ -z "$name" || "$name" == \#* ]] && continue
    # 150 words a minute; a name too long for that is spoken faster, 10 at a time, until
    # its speech fits in 0.76 s (a margin under the 0.8 s that every sound keeps).
    speed=150
    while :; do
        espeak-ng -v fr -s "$speed" -w "$work/raw.wav" "$spoken"
        # Peak to 0 dBFS, then cut what lies below -40 dB at both ends (the tail by reversing).
        "${sox[@]}" "$work/raw.wav" -r 22050 -c 1 -b 16 "$work/trimmed.wav" gain -n 0 \
            silence 1 0.002 -40d reverse silence 1 0.002 -40d reverse
        seconds=$(sox --i -D "$work/trimmed.wav")
        awk -v s="$seconds" 'BEGIN { exit !(s < 0.76) }' && break
        speed=$((speed + 10))
        if ((speed > 220)); then
            echo "make-voice-set.sh: \"$spoken\" ($name) lasts more than 0.76 s even at 220 words a minute" >&2
            exit 1
        fi
    done
    rms=$("${sox[@]}" "$work/trimmed.wav" -n stats 2>&1 | awk '/^RMS lev dB/ { print $4 }')
    gain=$(awk -v rms="$rms" -v target="$target_rms" 'BEGIN { printf "%.2f", target - rms }')
    # A raise goes through the limiter, for the few sounds whose peaks stand far above their average.
    limit=()
    [[ "$gain" != -* ]] && limit=(-l)
    "${sox[@]}" "$work/trimmed.wav" "$out/$name.wav" gain "${limit[@]}" "$gain" gain -1 fade t 0.005 -0 0.005
    for ((i = 0; i < ${#characters}; i++)); do
        printf '%s %s\r\n' "${characters:i:1}" "$name" >> "$table"
    done
done < "$list"

cp "$table" "$out/kaloncor.ref"
sed 's/$/\r/' "$sample" | iconv -f UTF-8 -t WINDOWS-1252 > "$out/test.txt"
