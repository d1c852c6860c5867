# SPDX-License-Identifier: GPL-3.0-or-later
# shellcheck shell=bash
# Sourced by the scripts that start the program: a home of its own, and waits on what
# the program does, each with a bound.

# The program remembers its settings and recent corrections under the user's folders:
# a run for a test never reads or writes the developer's own.
use_own_home() {
    local home=$1
    mkdir -p "$home/.config" "$home/.local/share" "$home/.cache" "$home/.local/state"
    export HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_DATA_HOME="$home/.local/share" \
        XDG_CACHE_HOME="$home/.cache" XDG_STATE_HOME="$home/.local/state"
}

# The private X server and sound server of tests/services/test-services.sh, both needed.
use_test_services() {
    local services=$1
    [[ -s "$services/display" ]] || { echo "no test X server"; exit 1; }
    [[ -s "$services/pulse-server" ]] || { echo "no test sound server"; exit 1; }
    DISPLAY=$(cat "$services/display")
    PULSE_SERVER=$(cat "$services/pulse-server")
    export DISPLAY PULSE_SERVER
}

# Streams of process PID on the sound server.
streams_of() { pactl list sink-inputs | grep -c "application.process.id = \"$1\"" || true; }

# Waits until process PID has (want=1) or has no (want=0) stream on the sound server.
wait_for_stream() {
    local pid=$1 want=$2 seconds=$3 what=$4
    local deadline=$((SECONDS + seconds))
    until (( ($(streams_of "$pid") > 0) == want )); do
        (( SECONDS < deadline )) || { echo "$what: not within ${seconds} s"; exit 1; }
        sleep 0.05
    done
}

# Runs the command given and waits until a sound is heard on the test sink (at most
# SECONDS): the program is then reading.
wait_for_sound() {
    local seconds=$1 wav
    wav=$(mktemp --suffix=.wav)
    parecord --device=null.monitor --latency-msec=20 --file-format=wav "$wav" &
    local recorder=$! deadline=$((SECONDS + seconds)) peak=0
    # The recorder is ready once its file has a header.
    until [[ -s "$wav" ]]; do
        (( SECONDS < deadline )) || break
        sleep 0.02
    done
    "${@:2}"
    until awk -v p="$peak" 'BEGIN { exit !(p > 0.1) }'; do
        (( SECONDS < deadline )) || { kill "$recorder"; rm -f "$wav"; echo "no sound within ${seconds} s"; exit 1; }
        sleep 0.05
        peak=$(sox --ignore-length "$wav" -n stat 2>&1 | awk '/Maximum amplitude/ { print $3 }')
        peak=${peak:-0}
    done
    kill "$recorder"; wait "$recorder" 2>/dev/null || true
    rm -f "$wav"
}
