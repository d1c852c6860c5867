#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts (or stops) what the end-to-end tests need, private to one state folder:
# an X server (Xvfb) and a sound server with a null sink whose monitor the tests record:
# PulseAudio, or PipeWire with its PulseAudio service (pipewire-pulse) and its session
# manager (WirePlumber) on a D-Bus session of their own. Either way the state folder's
# pulse-server says where the tests connect. Nothing here touches the user's own
# display, session bus or sound server.
#
# An idle null sink renders in blocks of up to two seconds, where a sound card would
# not; a silent low-latency stream keeps it running as a card does, so that the tests
# and benchmarks measure the program, not the null sink.
#
# usage: test-services.sh start|stop STATE_DIR [pulseaudio|pipewire]
set -uo pipefail
action=$1
state=$(realpath -m "$2")
server=${3:-pulseaudio}

# A process that has ended but is not reaped yet (a zombie) counts as gone.
alive() {
    [[ $(ps -o stat= -p "$1" 2>/dev/null) =~ ^[^Z] ]]
}

# Ends the processes named by the pid files given, all at once.
stop_pids() {
    local file pids=()
    for file in "$@"; do
        [[ -f "$file" ]] || continue
        pids+=("$(cat "$file")")
        rm -f "$file"
    done
    [[ ${#pids[@]} -gt 0 ]] || return 0
    kill "${pids[@]}" 2>/dev/null
    local pid
    for pid in "${pids[@]}"; do
        for _ in $(seq 50); do alive "$pid" || break; sleep 0.1; done
        alive "$pid" && kill -9 "$pid" 2>/dev/null
    done
    return 0
}

# Waits for the server at $1 to answer, then makes its null sink the default and keeps
# it running.
serve_null_sink() {
    local address=$1
    for _ in $(seq 100); do
        PULSE_SERVER="$address" pactl info >/dev/null 2>&1 && break
        sleep 0.1
    done
    PULSE_SERVER="$address" pactl info >/dev/null 2>&1 || return 1
    if ! PULSE_SERVER="$address" pactl list short sinks | grep -q $'\tnull\t'; then
        PULSE_SERVER="$address" pactl load-module module-null-sink sink_name=null rate=44100 >/dev/null || return 1
    fi
    PULSE_SERVER="$address" pactl set-default-sink null
    echo "$address" > "$state/pulse-server"
    PULSE_SERVER="$address" pacat --playback --latency-msec=10 --client-name=keep-running \
        --stream-name=silence /dev/zero >"$state/keep-running.log" 2>&1 &
    echo $! > "$state/keep-running.pid"
}

start_pulseaudio() {
    # As root it warns, and runs. The socket lives in /tmp: a socket path must stay
    # short, and the build folder's may not be.
    local socket
    socket=$(mktemp -u /tmp/virod-pulse-XXXXXX.sock)
    echo "$socket" > "$state/pulse-socket"
    XDG_RUNTIME_DIR="$state/runtime" HOME="$state/home" \
        pulseaudio -n --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
        --load="module-null-sink sink_name=null rate=44100" \
        --load="module-native-protocol-unix socket=$socket auth-anonymous=1" \
        >"$state/pulseaudio.log" 2>&1 &
    echo $! > "$state/pulseaudio.pid"
    serve_null_sink "unix:$socket" || echo "PulseAudio did not start; see $state/pulseaudio.log" >&2
}

start_pipewire() {
    # The runtime folder holds the sockets: short, in /tmp.
    local runtime
    runtime=$(mktemp -d /tmp/virod-pipewire-XXXXXX)
    chmod 700 "$runtime"
    echo "$runtime" > "$state/pipewire-runtime"
    # WirePlumber links the streams to the sinks and wants a session bus; CI has none.
    dbus-daemon --session --nofork --nosyslog --print-address=3 3>"$state/dbus-address" \
        >"$state/dbus.log" 2>&1 &
    echo $! > "$state/dbus.pid"
    for _ in $(seq 50); do [[ -s "$state/dbus-address" ]] && break; sleep 0.1; done
    local daemon
    for daemon in pipewire wireplumber pipewire-pulse; do
        env -u PIPEWIRE_RUNTIME_DIR -u PIPEWIRE_REMOTE XDG_RUNTIME_DIR="$runtime" HOME="$state/home" \
            XDG_CONFIG_HOME="$state/home/.config" XDG_STATE_HOME="$state/home/.state" \
            DBUS_SESSION_BUS_ADDRESS="$(head -1 "$state/dbus-address")" \
            "$daemon" >"$state/$daemon.log" 2>&1 &
        echo $! > "$state/$daemon.pid"
        # Each one connects to the one before it.
        [[ "$daemon" == pipewire ]] && for _ in $(seq 50); do [[ -S "$runtime/pipewire-0" ]] && break; sleep 0.1; done
    done
    serve_null_sink "unix:$runtime/pulse/native" || echo "PipeWire did not start; see $state/pipewire*.log" >&2
}

if [[ "$action" == stop ]]; then
    stop_pids "$state/keep-running.pid"
    stop_pids "$state/pulseaudio.pid" "$state/pipewire-pulse.pid" "$state/wireplumber.pid" "$state/pipewire.pid" \
        "$state/dbus.pid" "$state/xvfb.pid"
    [[ -f "$state/pulse-socket" ]] && rm -f "$(cat "$state/pulse-socket")"
    [[ -f "$state/pipewire-runtime" ]] && rm -rf "$(cat "$state/pipewire-runtime")"
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

case "$server" in
    pulseaudio) start_pulseaudio ;;
    pipewire) start_pipewire ;;
    *) echo "unknown sound server: $server" >&2; exit 2 ;;
esac
exit 0
