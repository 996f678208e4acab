# SPDX-License-Identifier: MIT
# The parts every private test session shares, sourced by tests/desktop.sh and tests/wayland.sh. They expect
# $work (the session's scratch folder, with bin/ in it), the array pids (what the session stops at its end),
# $BRIMVEL_SINK and $BRIMVEL_OPEN_LOG, and a function wait_for SECONDS COMMAND...

# Stops every process in pids: asks each to end, waits up to 5 s for each, then ends what is left.
stop_session_pids() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    for pid in "${pids[@]}"; do
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$pid" 2>/dev/null
    done
}

# A PulseAudio server with a null sink as the default sink; record its ".monitor" source to hear what played.
# Returns non-zero (after printing the server's log) when it does not come up.
start_sound_server() {
    pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit --log-target=stderr \
        --load="module-null-sink sink_name=$BRIMVEL_SINK rate=44100 channels=2" \
        --load="module-native-protocol-unix" >"$work/pulse.log" 2>&1 &
    pids+=($!)
    wait_for 60 pactl info || { cat "$work/pulse.log" >&2; return 1; }
    pactl set-default-sink "$BRIMVEL_SINK"
}

# A private D-Bus session bus (exported as DBUS_SESSION_BUS_ADDRESS) with the desktop's accessibility bus
# beside it: the at-spi bus launcher and the registry it starts. The launcher stops that bus (and with it the
# registry) when it ends, so it is stopped before the session bus. Programs started after it put their
# accessibility trees on it (Qt's forced on). Returns non-zero when the session bus does not come up.
start_accessibility_bus() {
    dbus-daemon --session --fork --address="unix:path=$work/bus" --print-pid=3 3>"$work/bus.pid" >/dev/null ||
        { echo "no D-Bus session"; return 1; }
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/bus"
    local launcher=/usr/libexec/at-spi-bus-launcher
    [ -x "$launcher" ] || launcher=/usr/lib/at-spi2-core/at-spi-bus-launcher
    "$launcher" --launch-immediately >"$work/bus-launcher.log" 2>&1 &
    pids+=($! "$(cat "$work/bus.pid")")
    export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
}

# An xdg-open first on PATH that records what the program asked the desktop to open, one line per call,
# instead of starting a browser.
install_recording_open() {
    cat >"$work/bin/xdg-open" <<'SH'
#!/bin/sh
# Records what the program asked the desktop to open, instead of starting a browser.
printf '%s\n' "$*" >>"${BRIMVEL_OPEN_LOG:?}"
SH
    chmod +x "$work/bin/xdg-open"
    export PATH="$work/bin:$PATH"
}

# For a test script inside tests/desktop.sh that starts parts of its own: a scratch folder ($work) and the
# list of what it started (pids), both cleared when the script ends, pass or fail.
start_scratch_session() {
    work=$(mktemp -d)
    pids=()
    trap 'stop_session_pids; rm -rf "$work"' EXIT
}
