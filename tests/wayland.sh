#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a command inside a private Wayland session and stops everything it started afterwards, pass or fail:
# a compositor on its headless backend with one 1280x1024 output and XWayland, a PulseAudio server with a
# null sink, temporary XDG folders and a recording `xdg-open` first on PATH (each call appends its arguments
# as one line to $BRIMVEL_OPEN_LOG), as tests/desktop.sh does for X11.
#
#   tests/wayland.sh [--compositor sway|mutter|kwin] COMMAND [ARGS...]
#
# The compositors (sway is the default):
#   sway    sway (pixman renderer, no input devices) with XWayland started at once;
#   mutter  mutter --headless --virtual-monitor with XWayland, in a D-Bus session of its own;
#   kwin    kwin_wayland --virtual --xwayland, in a D-Bus session of its own, from a copy of the binary (the
#           installed one carries a file capability that a container may refuse to grant), with the checks
#           that keep its restricted interfaces (fake input, screenshots) from other programs switched off.
#
# Exported for the command: WAYLAND_DISPLAY (an absolute path), DISPLAY (XWayland), BRIMVEL_COMPOSITOR (the
# name above), BRIMVEL_AS_COMPOSITOR (a command that runs its arguments as the compositor's user, in the
# compositor's D-Bus session, where mutter's remote desktop interface is reached), SWAYSOCK under sway,
# XDG_RUNTIME_DIR, XDG_CONFIG_HOME, XDG_SESSION_TYPE=wayland, BRIMVEL_OPEN_LOG, BRIMVEL_SINK,
# BRIMVEL_DESKTOP (the scratch folder) and BRIMVEL_WAYLAND=1. QT_QPA_PLATFORM is left unset, as on a
# user's desktop.
#
# The compositors refuse to run as root, or are not meant to. Run as root, the script starts the compositor
# as the system user $BRIMVEL_WAYLAND_USER (default brimvel-wayland), creating that user if it does not
# exist; it never removes the user nor anything of theirs. The command itself runs as the caller and reaches
# the compositor through the socket's path.
set -u

compositor=sway
if [ "${1:-}" = --compositor ]; then
    compositor=${2:-}
    shift 2
fi
case "$compositor" in
    sway | mutter | kwin) ;;
    *) echo "wayland.sh: unknown compositor '$compositor' (sway, mutter or kwin)" >&2; exit 2 ;;
esac

work=$(mktemp -d /tmp/brimvel-wayland.XXXXXX)
pids=()
session_leader=

# The processes of this session that may have left the process tree: whatever runs this session's
# compositor configuration (the compositor and processes it forked), and whatever runs in the session the
# compositor's launcher opened, XWayland among them (the compositor starts it detached and restarts it when
# it ends; it stays in that session). XWayland is not looked for by its display number: once this session's
# server is gone, the next session may already have taken that number.
session_processes() {
    local proc args sid
    for proc in /proc/[0-9]*; do
        args=$( (tr '\0' ' ' <"$proc/cmdline") 2>/dev/null) || continue
        case "$args" in
            *" $work/sway.config"*) echo "${proc#/proc/}" ;;
            *)
                # Whatever the compositor's launcher started in the session it opened (setsid below).
                sid=$( (awk '{ sub(/.*\) /, ""); print $4 }' "$proc/stat") 2>/dev/null) || continue
                [ -n "$session_leader" ] && [ "$sid" = "$session_leader" ] && echo "${proc#/proc/}"
                ;;
        esac
    done
}

cleanup() {
    local rc=$? pid
    # A failed run shows how the compositor's session ended (a lost X connection is often told there).
    if [ "$rc" -ne 0 ] && [ -s "$work/compositor.log" ]; then
        echo "wayland.sh: the last lines of the $compositor session's log:" >&2
        tail -n 30 "$work/compositor.log" >&2
    fi
    pids+=($(session_processes))
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    for pid in "${pids[@]}"; do
        for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        kill -9 "$pid" 2>/dev/null
    done
    for pid in $(session_processes); do kill -9 "$pid" 2>/dev/null; done
    # An X server that was killed leaves its lock file and socket behind (mutter's XWayland always does, for
    # its public display and the one of its own services); later servers would skip those displays.
    local lock number
    for lock in /tmp/.X*-lock; do
        [ -f "$lock" ] || continue
        number=${lock#/tmp/.X}; number=${number%-lock}
        if [ "$(tr -d ' ' <"$lock" 2>/dev/null)" != "" ] && ! kill -0 "$(tr -d ' ' <"$lock")" 2>/dev/null \
            && grep -qx "$number" "$work/displays" 2>/dev/null; then
            rm -f "$lock" "/tmp/.X11-unix/X$number"
        fi
    done
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

case "$compositor" in
    sway) tools=(sway swaymsg grim) ;;
    mutter) tools=(mutter dbus-run-session) ;;
    kwin) tools=(kwin_wayland dbus-run-session) ;;
esac
for tool in "${tools[@]}" Xwayland xhost pulseaudio pactl setsid; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (scripts/install-deps.sh test installs it)"
done

chmod 755 "$work"
# The X sockets' folder: made by whichever X server starts first; it must be everyone's.
if [ ! -d /tmp/.X11-unix ]; then
    mkdir -p /tmp/.X11-unix && chmod 1777 /tmp/.X11-unix
fi
# The compositor's runtime folder and home.
crun=$work/compositor-run
chome=$work/compositor-home
mkdir -p "$work/run" "$work/config" "$work/bin" "$crun" "$chome/.config"
chmod 700 "$work/run" "$crun"

# Who runs the compositor.
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    user=${BRIMVEL_WAYLAND_USER:-brimvel-wayland}
    if ! id -u "$user" >/dev/null 2>&1; then
        useradd --system --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$user" \
            || fail "cannot create the system user $user"
    fi
    chown -R "$user:" "$crun" "$chome"
    as_user=(setpriv --reuid="$(id -u "$user")" --regid="$(id -g "$user")" --clear-groups --)
fi
# The compositor's environment: nothing of the caller's session.
compositor_env=(env -i PATH="$PATH" HOME="$chome" XDG_RUNTIME_DIR="$crun" XDG_CONFIG_HOME="$chome/.config"
    LANG=C.UTF-8)

# A small script the compositor's session runs once XWayland is up: it tells this script the session's X
# display and D-Bus address.
cat >"$work/report-session.sh" <<REPORT
#!/bin/sh
printf '%s\n%s\n%s\n' "\${DISPLAY:-}" "\${DBUS_SESSION_BUS_ADDRESS:-}" "\${SWAYSOCK:-}" >"$crun/session.tmp" &&
    mv "$crun/session.tmp" "$crun/session"
REPORT
chmod 755 "$work/report-session.sh"

case "$compositor" in
    sway)
        cat >"$work/sway.config" <<CONFIG
output * mode 1280x1024 position 0 0
xwayland force
default_border none
default_floating_border none
focus_follows_mouse no
mouse_warping none
seat * hide_cursor 0
exec $work/report-session.sh
CONFIG
        chmod 644 "$work/sway.config"
        "${compositor_env[@]}" WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
            WLR_HEADLESS_OUTPUTS=1 "${as_user[@]}" setsid sway --unsupported-gpu -c "$work/sway.config" \
            >"$work/compositor.log" 2>&1 &
        ;;
    mutter)
        # Its settings in a file of the session's own: Num Lock on from the start, as on a desk where the
        # number pad types digits (mutter restores the remembered state as it starts).
        mkdir -p "$chome/.config/glib-2.0/settings"
        printf '[org/gnome/desktop/peripherals/keyboard]\nremember-numlock-state=true\nnumlock-state=true\n' \
            >"$chome/.config/glib-2.0/settings/keyfile"
        [ ${#as_user[@]} -gt 0 ] && chown -R "$user:" "$chome"
        cat >"$work/mutter-session.sh" <<SESSION
#!/bin/sh
mutter --headless --virtual-monitor 1280x1024 --wayland --wayland-display wayland-brimvel &
mutter=\$!
# XWayland is up once its display answers; mutter names it in its log.
for i in \$(seq 600); do
    display=\$(sed -n 's/.*Using public X11 display \\(:[0-9]*\\).*/\\1/p' "$work/compositor.log" | head -n1)
    [ -n "\$display" ] && DISPLAY=\$display XAUTHORITY=\$(ls "$crun"/.mutter-Xwaylandauth.* 2>/dev/null | head -n1) \
        xhost >/dev/null 2>&1 && break
    sleep 0.1
done
DISPLAY=\$display "$work/report-session.sh"
wait \$mutter
SESSION
        chmod 755 "$work/mutter-session.sh"
        "${compositor_env[@]}" GSETTINGS_BACKEND=keyfile "${as_user[@]}" setsid dbus-run-session -- \
            "$work/mutter-session.sh" >"$work/compositor.log" 2>&1 &
        ;;
    kwin)
        cp "$(command -v kwin_wayland)" "$work/kwin_wayland"
        chmod 755 "$work/kwin_wayland"
        # Num Lock on from the start, as on a desk where the number pad types digits.
        printf '[Keyboard]\nNumLock=0\n' >"$chome/.config/kcminputrc"
        [ ${#as_user[@]} -gt 0 ] && chown -R "$user:" "$chome"
        # kwin_wayland starts the programs named after its options once XWayland is up, with DISPLAY set.
        "${compositor_env[@]}" KWIN_WAYLAND_NO_PERMISSION_CHECKS=1 KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1 \
            "${as_user[@]}" setsid dbus-run-session -- "$work/kwin_wayland" --virtual --xwayland \
            --width 1280 --height 1024 --socket wayland-brimvel "$work/report-session.sh" \
            >"$work/compositor.log" 2>&1 &
        ;;
esac
pids+=($!)
session_leader=$!
if ! wait_for 60 test -s "$crun/session"; then
    tail -n 40 "$work/compositor.log" >&2
    fail "$compositor did not come up (log above)"
fi
socket=$(find "$crun" -maxdepth 1 -name 'wayland-*' ! -name '*.lock' -print -quit)
[ -n "$socket" ] || fail "$compositor made no Wayland socket"
export WAYLAND_DISPLAY="$socket"
export DISPLAY=$(sed -n 1p "$crun/session")
bus=$(sed -n 2p "$crun/session")
[ "$compositor" = sway ] && export SWAYSOCK=$(sed -n 3p "$crun/session")
[ -n "$DISPLAY" ] || fail "$compositor started no XWayland"
echo "${DISPLAY#:}" >"$work/displays"
# mutter's own services have an X display of their own, named in its log (the next free one, not always
# the next number when other sessions run beside this one).
[ "$compositor" = mutter ] &&
    sed -n 's/.*Using public X11 display :[0-9]*, (using :\([0-9]*\) for managed services).*/\1/p' \
        "$work/compositor.log" | head -n1 >>"$work/displays"
if [ "$compositor" = sway ]; then
    wait_for 60 swaymsg -t get_outputs || { tail -n 40 "$work/compositor.log" >&2; fail "sway does not answer"; }
fi

# Runs a command as the compositor's user, in its D-Bus session.
cat >"$work/as-compositor" <<AS
#!/bin/sh
exec ${compositor_env[*]} DBUS_SESSION_BUS_ADDRESS=$bus WAYLAND_DISPLAY=$socket DISPLAY=$DISPLAY ${as_user[*]} "\$@"
AS
chmod 755 "$work/as-compositor"
export BRIMVEL_AS_COMPOSITOR="$work/as-compositor"
export BRIMVEL_COMPOSITOR=$compositor

# XWayland lets in only the compositor's user: let the caller in too.
xauthority=
[ "$compositor" = mutter ] && xauthority=$(ls "$crun"/.mutter-Xwaylandauth.* 2>/dev/null | head -n1)
if [ ${#as_user[@]} -gt 0 ]; then
    wait_for 60 "$work/as-compositor" env XAUTHORITY="$xauthority" xhost "+si:localuser:$(id -un)" \
        || { tail -n 40 "$work/compositor.log" >&2; fail "XWayland does not answer"; }
fi
wait_for 60 xdpyinfo -display "$DISPLAY" || { tail -n 40 "$work/compositor.log" >&2; fail "XWayland does not answer"; }

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
