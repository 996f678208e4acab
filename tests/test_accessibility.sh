#!/bin/bash
# SPDX-License-Identifier: MIT
# What a screen reader sees of the running program and what it can do with it, through the real
# accessibility bus: a private D-Bus session, the desktop's at-spi bus launcher and registry, and the program
# with accessibility switched on. The checks (tests/accessibility/test_accessibility.py) read the tree with
# pyatspi, act on it, and drive the open tab with the keyboard alone. Runs in tests/desktop.sh.
build=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
pids=()
. "$here/session-parts.sh"
cleanup() {
    stop_session_pids
    rm -rf "$work"
}
trap cleanup EXIT

dbus-daemon --session --fork --address="unix:path=$work/bus" --print-pid=3 3>"$work/bus.pid" >/dev/null ||
    { echo "no D-Bus session"; exit 1; }
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/bus"
# The accessibility bus beside it; the launcher stops that bus (and with it the registry) when it ends, so it
# is stopped before the session bus.
launcher=/usr/libexec/at-spi-bus-launcher
[ -x "$launcher" ] || launcher=/usr/lib/at-spi2-core/at-spi-bus-launcher
"$launcher" --launch-immediately >"$work/bus-launcher.log" 2>&1 &
pids+=($! "$(cat "$work/bus.pid")")
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1

/usr/bin/python3 "$here/accessibility/test_accessibility.py" "$build"
