#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Memory of the real program for big corrections: for each file, starts the program
# with it, waits until it is idle, presses Read (F5), waits until the text is shown and
# the memory settles, and prints the peak (VmHWM) and steady (VmRSS) resident memory
# above idle, in MB and as a multiple of the file's size.
#
# usage: correction-memory.sh [--program PATH] [--sons FOLDER] [--make DIR] [FILE...]
#   --make DIR   writes the three kinds of 63 MiB correction into DIR and measures them:
#                one line of A, lines of 60 characters + CR LF, accented French (UTF-8)
#   --sons       the sound folder to give the program (default: its bundled voice)
# Needs DISPLAY with a window manager (tests/services/test-services.sh start DIR, then
# openbox), xdotool and python3.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
program="$root/build-tests/bin/virod-idadidavir"
sons=()
files=()
while (($#)); do
    case "$1" in
    --program) program=$2; shift 2 ;;
    --sons) sons=(--sons "$2"); shift 2 ;;
    --make)
        mkdir -p "$2"
        python3 - "$2" <<'EOF'
import random, sys
folder, size = sys.argv[1], 63 * 1024 * 1024
random.seed(1)
open(f'{folder}/one-line.txt', 'wb').write(b'A' * size)
signs = b'ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789'
lines = b''.join(b' '.join(bytes(random.choice(signs) for _ in range(5)) for _ in range(10)) + b'=\r\n'
                 for _ in range(1000))
open(f'{folder}/short-lines.txt', 'wb').write((lines * (size // len(lines) + 1))[:size])
french = "Le coeur de l'élève bat à la fenêtre ; où est passé ce garçon ? Déjà l'été s'achève, ça ira.\r\n"
text = (french * (size // len(french)))[: size // len(french.encode()) * len(french)]
open(f'{folder}/accented-utf8.txt', 'wb').write(text.encode())
EOF
        files+=("$2/one-line.txt" "$2/short-lines.txt" "$2/accented-utf8.txt")
        shift 2 ;;
    *) files+=("$1"); shift ;;
    esac
done

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
source "$root/tests/e2e/program_under_test.sh"
use_own_home "$home"

kb() { awk -v key="$2:" '$1 == key { print $2 }' "/proc/$1/status"; }

for file in "${files[@]}"; do
    size=$(stat -c %s "$file")
    "$program" "${sons[@]}" --delai 1000 "$file" >/dev/null 2>&1 &
    pid=$!
    xdotool search --sync --onlyvisible --pid "$pid" --name 'Virod' >/dev/null
    sleep 2
    idle=$(kb "$pid" VmRSS)
    echo 5 > "/proc/$pid/clear_refs" # the peak counts from here
    xdotool key --clearmodifiers F5
    # Settled: the resident size moves less than 1 MB over two seconds.
    last=$idle; still=0
    while ((still < 20)); do
        sleep 0.1
        now=$(kb "$pid" VmRSS)
        if ((now - last > 1024 || last - now > 1024)); then last=$now; still=0; else still=$((still + 1)); fi
    done
    steady=$(kb "$pid" VmRSS); peak=$(kb "$pid" VmHWM)
    kill "$pid"; wait "$pid" 2>/dev/null || true
    awk -v name="$(basename "$file")" -v size="$size" -v idle="$idle" -v peak="$peak" -v steady="$steady" 'BEGIN {
        mb = size / 1048576
        printf "%s: %.1f MB, idle %.0f MB; above idle: peak %.0f MB (%.2fx), steady %.0f MB (%.2fx)\n",
               name, mb, idle / 1024, (peak - idle) / 1024, (peak - idle) / 1024 / mb,
               (steady - idle) / 1024, (steady - idle) / 1024 / mb }'
done
