#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the program. Without a display, runs it on a virtual one instead, saves screenshots of the tab
# retracted and open (and of the whole skin) and says where they are.
set -euo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")/.." && pwd)
exe="$here/$build/brimvel"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    exec "$exe"
fi

shots="$here/$build/screenshots"
mkdir -p "$shots"
echo "No display: running Brimvel on a virtual one to take screenshots."
SHOTS="$shots" EXE="$exe" ASSETS="$here/$build/assets" "$here/tests/desktop.sh" bash -c '
    set -e
    "$EXE" & pid=$!
    sleep 2
    xsetroot -solid "#3a4a5c"
    sleep 0.5
    import -window root "$SHOTS/screen-retracted.png"
    # Click the strip at the screen edge: the tab slides out after a second and grows.
    xdotool mousemove 1277 20 click 1
    sleep 3.5
    xdotool mousemove 900 500
    sleep 0.3
    import -window root "$SHOTS/screen-open.png"
    convert "$SHOTS/screen-open.png" -crop 240x360+1040+0 +repage "$SHOTS/tab-open.png"
    convert "$ASSETS/skin_tab@2x.png" "$SHOTS/skin.png"
    kill $pid 2>/dev/null || true
'
echo "Screenshots:"
ls -1 "$shots"/*.png
