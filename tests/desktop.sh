#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a command inside a private desktop session and stops everything it started afterwards, pass or fail:
# Xvfb (1280x1024x24 or $BRIMVEL_SCREEN, 96 dpi), openbox, a PulseAudio server with a null sink, temporary XDG folders and a
# recording `xdg-open` first on PATH (each call appends its arguments as one line to $BRIMVEL_OPEN_LOG).
#
#   tests/desktop.sh COMMAND [ARGS...]
#
# Exported for the command: DISPLAY, XDG_RUNTIME_DIR, XDG_CONFIG_HOME, BRIMVEL_OPEN_LOG, BRIMVEL_SINK (the null
# sink; record its ".monitor" source to hear what was played), BRIMVEL_DESKTOP (the session's scratch folder).
# Nothing of a session is shared with another (display, sound server, XDG folders, open log), so sessions can
# run side by side and inside one another: ctest starts one per test executable.
set -u

work=$(mktemp -d /tmp/brimvel-desktop.XXXXXX)
pids=()

. "$(dirname "$0")/session-parts.sh"
cleanup() {
    stop_session_pids
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

wait_for() { # seconds, command...
    local limit=$(( $1 * 10 )); shift
    for _ in $(seq "$limit"); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
    echo "desktop.sh: timed out waiting for: $*" >&2
    return 1
}

mkdir -p "$work/run" "$work/config" "$work/bin"
chmod 700 "$work/run"
export XDG_RUNTIME_DIR="$work/run"
export XDG_CONFIG_HOME="$work/config"
export BRIMVEL_DESKTOP="$work"
export BRIMVEL_OPEN_LOG="$work/opened.log"
export BRIMVEL_SINK=brimvel_null
# A sound server named by the caller (or by an enclosing session) would be shared; this session has its own.
unset WAYLAND_DISPLAY SESSION_MANAGER PULSE_SERVER PULSE_COOKIE
export QT_QPA_PLATFORM=xcb

# Xvfb picks a free display number itself and reports it, so sessions started side by side never share one;
# -noreset keeps it from resetting (and refusing connections for a moment) when its last client leaves.
Xvfb -displayfd 3 -screen 0 "${BRIMVEL_SCREEN:-1280x1024}x24" -dpi 96 -nolisten tcp -noreset +extension RANDR \
    3>"$work/display" >"$work/xvfb.log" 2>&1 &
pids+=($!)
wait_for 60 grep -q '[0-9]' "$work/display" || { cat "$work/xvfb.log" >&2; exit 1; }
export DISPLAY=":$(tr -dc '0-9' <"$work/display")"
wait_for 60 xdpyinfo -display "$DISPLAY" || { cat "$work/xvfb.log" >&2; exit 1; }

openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
wait_for 60 sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' || exit 1

start_sound_server || exit 1
install_recording_open

"$@"
rc=$?
exit $rc
