#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a command inside a private Wayland session and stops everything it started afterwards, pass or fail:
# sway on its headless backend (pixman renderer, no input devices, one 1280x1024 output) with XWayland started
# at once, a PulseAudio server with a null sink, temporary XDG folders and a recording `xdg-open` first on
# PATH (each call appends its arguments as one line to $BRIMVEL_OPEN_LOG), as tests/desktop.sh does for X11.
#
#   tests/wayland.sh COMMAND [ARGS...]
#
# Exported for the command: WAYLAND_DISPLAY (an absolute path), DISPLAY (XWayland), SWAYSOCK, XDG_RUNTIME_DIR,
# XDG_CONFIG_HOME, XDG_SESSION_TYPE=wayland, BRIMVEL_OPEN_LOG, BRIMVEL_SINK, BRIMVEL_DESKTOP (the scratch
# folder) and BRIMVEL_WAYLAND=1. QT_QPA_PLATFORM is left unset, as on a user's desktop.
#
# sway refuses to run as root. Run as root, the script starts sway as the system user $BRIMVEL_WAYLAND_USER
# (default brimvel-wayland), creating that user if it does not exist; it never removes the user nor anything
# of theirs. The command itself runs as the caller and reaches the compositor through the socket's path.
set -u

work=$(mktemp -d /tmp/brimvel-wayland.XXXXXX)
pids=()
display_name=

# The processes of this session that may have left the process tree: whatever runs this session's
# compositor configuration (the compositor and processes it forked), and XWayland, which the compositor
# starts detached and restarts when it ends, found by its display number.
session_processes() {
    local proc args
    for proc in /proc/[0-9]*; do
        args=$( (tr '\0' ' ' <"$proc/cmdline") 2>/dev/null) || continue
        case "$args" in
            *" $work/sway.config"*) echo "${proc#/proc/}" ;;
            "Xwayland $display_name "*) [ -n "$display_name" ] && echo "${proc#/proc/}" ;;
        esac
    done
}

cleanup() {
    local pid
    pids+=($(session_processes))
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    for pid in "${pids[@]}"; do
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$pid" 2>/dev/null
    done
    for pid in $(session_processes); do kill -9 "$pid" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

fail() {
    echo "wayland.sh: the Wayland test session cannot start: $*" >&2
    exit 1
}

. "$(dirname "$0")/session-parts.sh"

wait_for() { # seconds, command...
    local limit=$(( $1 * 10 )); shift
    for _ in $(seq "$limit"); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
    echo "wayland.sh: timed out waiting for: $*" >&2
    return 1
}

for tool in sway swaymsg Xwayland grim pulseaudio pactl; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/install-deps.sh installs it)"
done

chmod 755 "$work"
# The X sockets' folder: made by whichever X server starts first; it must be everyone's.
if [ ! -d /tmp/.X11-unix ]; then
    mkdir -p /tmp/.X11-unix && chmod 1777 /tmp/.X11-unix
fi
mkdir -p "$work/run" "$work/config" "$work/bin" "$work/sway-run" "$work/sway-home"
chmod 700 "$work/run" "$work/sway-run"

# Who runs the compositor.
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    user=${BRIMVEL_WAYLAND_USER:-brimvel-wayland}
    if ! id -u "$user" >/dev/null 2>&1; then
        useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$user" \
            || fail "cannot create the system user $user"
    fi
    chown "$user:" "$work/sway-run" "$work/sway-home"
    as_user=(setpriv --reuid="$(id -u "$user")" --regid="$(id -g "$user")" --clear-groups --)
fi

cat >"$work/sway.config" <<CONFIG
output * mode 1280x1024 position 0 0
xwayland force
default_border none
default_floating_border none
focus_follows_mouse no
mouse_warping none
seat * hide_cursor 0
exec sh -c 'printf "%s\\n%s\\n" "\$DISPLAY" "\$SWAYSOCK" >"$work/sway-run/session.tmp" && mv "$work/sway-run/session.tmp" "$work/sway-run/session"'
CONFIG
chmod 644 "$work/sway.config"

env -i PATH="$PATH" HOME="$work/sway-home" XDG_RUNTIME_DIR="$work/sway-run" LANG=C.UTF-8 \
    WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 WLR_HEADLESS_OUTPUTS=1 \
    "${as_user[@]}" sway --unsupported-gpu -c "$work/sway.config" >"$work/sway.log" 2>&1 &
pids+=($!)
if ! wait_for 60 test -s "$work/sway-run/session"; then
    tail -n 40 "$work/sway.log" >&2
    fail "sway did not come up (log above)"
fi
socket=$(find "$work/sway-run" -maxdepth 1 -name 'wayland-*' ! -name '*.lock' -print -quit)
[ -n "$socket" ] || fail "sway made no Wayland socket"
export WAYLAND_DISPLAY="$socket"
export DISPLAY=$(sed -n 1p "$work/sway-run/session")
export SWAYSOCK=$(sed -n 2p "$work/sway-run/session")
[ -n "$DISPLAY" ] || fail "sway started no XWayland"
display_name=$DISPLAY
wait_for 60 swaymsg -t get_outputs || { tail -n 40 "$work/sway.log" >&2; fail "sway does not answer"; }
# XWayland lets in only the compositor's user: let the caller in too.
if [ ${#as_user[@]} -gt 0 ]; then
    wait_for 60 env DISPLAY="$DISPLAY" "${as_user[@]}" xhost "+si:localuser:$(id -un)" \
        || { tail -n 40 "$work/sway.log" >&2; fail "XWayland does not answer"; }
fi
wait_for 60 xdpyinfo -display "$DISPLAY" || { tail -n 40 "$work/sway.log" >&2; fail "XWayland does not answer"; }

export XDG_RUNTIME_DIR="$work/run"
export XDG_CONFIG_HOME="$work/config"
export XDG_SESSION_TYPE=wayland
export BRIMVEL_DESKTOP="$work"
export BRIMVEL_WAYLAND=1
export BRIMVEL_OPEN_LOG="${BRIMVEL_OPEN_LOG:-$work/opened.log}"
export BRIMVEL_SINK=brimvel_null
unset SESSION_MANAGER QT_QPA_PLATFORM

start_sound_server || fail "PulseAudio did not come up"
install_recording_open

"$@"
rc=$?
exit $rc
