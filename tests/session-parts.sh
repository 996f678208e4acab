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
