#!/usr/bin/env bash
# Builds the bundled French voice set: one WAV per sound, spoken by espeak-ng's French
# voice and trimmed of silence by sox (22050 Hz, mono, 16-bit), the table kaloncor.ref
# (Windows-1252, CR LF rows: character, blank, sound name) and the sample exercise.
#
# usage: make-voice-set.sh VOICE_SET_TSV SAMPLE_EXERCISE OUTPUT_FOLDER
set -euo pipefail
export LC_ALL=C.UTF-8

list=$1
sample=$2
out=$3
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

table="$work/kaloncor.utf8"
: > "$table"

# The blank between groups: a short silence, so spaces cost neither a message nor time.
sox -n -r 22050 -c 1 -b 16 "$out/silence.wav" trim 0 0.1
printf '  silence\r\n' >> "$table"

while IFS=$'\t' read -r name spoken characters; do
    [[ -z "$name" || "$name" == \#* ]] && continue
    espeak-ng -v fr -s 140 -w "$work/raw.wav" "$spoken"
    # Trim leading silence, then trailing silence (by trimming the reversed sound).
    sox "$work/raw.wav" -r 22050 -c 1 -b 16 "$out/$name.wav" \
        silence 1 0.01 0.5% reverse silence 1 0.01 0.5% reverse
    for ((i = 0; i < ${#characters}; i++)); do
        printf '%s %s\r\n' "${characters:i:1}" "$name" >> "$table"
    done
done < "$list"

iconv -f UTF-8 -t WINDOWS-1252 "$table" > "$out/kaloncor.ref"
sed 's/$/\r/' "$sample" | iconv -f UTF-8 -t WINDOWS-1252 > "$out/test.txt"
