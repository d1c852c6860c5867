#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts (or stops) what the end-to-end tests need, private to one state folder:
# an X server (Xvfb) and a PulseAudio server with a null sink whose monitor the tests
# record. Nothing here touches the user's own display or sound server.
#
# An idle null sink renders in blocks of up to two seconds, where a sound card would
# not; a silent low-latency stream keeps it running as a card does, so that the tests
# and benchmarks measure the program, not the null sink.
#
# usage: test-services.sh start|stop STATE_DIR
set -uo pipefail
action=$1
state=$(realpath -m "$2")

stop_pid() {
    local file=$1
    [[ -f "$file" ]] || return 0
    kill "$(cat "$file")" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$(cat "$file")" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$(cat "$file")" 2>/dev/null
    rm -f "$file"
}

if [[ "$action" == stop ]]; then
    stop_pid "$state/keep-running.pid"
    stop_pid "$state/pulseaudio.pid"
    [[ -f "$state/pulse-socket" ]] && rm -f "$(cat "$state/pulse-socket")"
    stop_pid "$state/xvfb.pid"
    exit 0
fi

"$0" stop "$state"
rm -rf "$state"
mkdir -p "$state/runtime" "$state/home"
chmod 700 "$state/runtime"

# X server on the first free display number.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$state/display.tmp" >"$state/xvfb.log" 2>&1 &
echo $! > "$state/xvfb.pid"
for _ in $(seq 100); do [[ -s "$state/display.tmp" ]] && break; sleep 0.1; done
if [[ -s "$state/display.tmp" ]]; then
    echo ":$(tr -d '\n' < "$state/display.tmp")" > "$state/display"
else
    echo "Xvfb did not start; see $state/xvfb.log" >&2
fi

# PulseAudio with a null sink (as root it warns, and runs). The socket lives in /tmp:
# a socket path must stay short, and the build folder's may not be.
socket=$(mktemp -u /tmp/virod-pulse-XXXXXX.sock)
echo "$socket" > "$state/pulse-socket"
XDG_RUNTIME_DIR="$state/runtime" HOME="$state/home" \
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
    --load="module-null-sink sink_name=null rate=44100" \
    --load="module-native-protocol-unix socket=$socket auth-anonymous=1" \
    >"$state/pulseaudio.log" 2>&1 &
echo $! > "$state/pulseaudio.pid"
for _ in $(seq 100); do
    PULSE_SERVER="unix:$socket" pactl info >/dev/null 2>&1 && break
    sleep 0.1
done
if PULSE_SERVER="unix:$socket" pactl info >/dev/null 2>&1; then
    PULSE_SERVER="unix:$socket" pactl set-default-sink null
    echo "unix:$socket" > "$state/pulse-server"
    PULSE_SERVER="unix:$socket" pacat --playback --latency-msec=10 --client-name=keep-running \
        --stream-name=silence /dev/zero >"$state/keep-running.log" 2>&1 &
    echo $! > "$state/keep-running.pid"
else
    echo "PulseAudio did not start; see $state/pulseaudio.log" >&2
fi
exit 0
