#!/bin/bash
# SPDX-License-Identifier: MIT
# brimvel --toggle against a running tab, through the real single-instance channel: the second start ends at
# once, the tab slides out and holds the keyboard, a third start slides it back in. Runs in tests/desktop.sh.
build=$1
. "$(dirname "$0")/shell-checks.sh"
work=$(mktemp -d)
trap 'kill "$program_pid" 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p "$work/prog/data/links" "$work/prog/data/sounds"
cp "$build/brimvel" "$work/prog/" && cp "$build"/data/sounds/*.wav "$work/prog/data/sounds/"
"$work/prog/brimvel" >"$work/program.log" 2>&1 &
program_pid=$!
tab=$(tab_window_of_program) || { fail "the tab comes on screen"; finish; }
# geometry_is X HEIGHT: waits up to 10 s for the tab at that x and height (fully open or fully retracted).
geometry_is() {
    for _ in $(seq 100); do
        xdotool getwindowgeometry "$tab" | grep -q "Position: $1,.*" &&
            xdotool getwindowgeometry "$tab" | grep -q "Geometry: 207x$2" && return 0
        sleep 0.1
    done
    return 1
}
holds_keyboard() {
    for _ in $(seq 50); do [ "$(xdotool getwindowfocus)" = "$tab" ] && return 0; sleep 0.1; done
    return 1
}
require "the tab starts docked" geometry_is 1274 80
check "a second start with --toggle ends at once" timeout 5 "$work/prog/brimvel" --toggle
check "the tab slides out" geometry_is 1073 301
check "the open tab holds the keyboard" holds_keyboard
check "a third start with --toggle ends at once" timeout 5 "$work/prog/brimvel" --toggle
check "the tab slides back in" geometry_is 1274 80
check "the first instance still runs" kill -0 "$program_pid"
finish
