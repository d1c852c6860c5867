#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What a screen reader hears: the program runs in a private D-Bus session, whose
# accessibility bus and registry D-Bus starts on demand and ends with the session; a
# listener on that bus presses Read and Stop and checks the end of each reading is told.
# Leaves the AT-SPI event log in OUT_DIR.
#
# usage: screen_reader_e2e.sh PROGRAM SERVICES_DIR OUT_DIR
set -euo pipefail
program=$1
services=$2
out=$3
here=$(dirname "$(realpath "$0")")
source "$here/program_under_test.sh"
mkdir -p "$out"

use_test_services "$services"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A home and a configuration of its own: the bundled voice set, no kept settings.
use_own_home "$work/home"
mkdir -p "$work/runtime"
chmod 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"
printf 'E5' > "$work/short.txt"
printf 'EEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEE' > "$work/long.txt"

dbus-run-session -- /usr/bin/python3 "$here/reading_end_events.py" "$program" \
    "$work/short.txt" "$work/long.txt" 2>"$out/listener-errors.log" | tee "$out/atspi-events.log"
