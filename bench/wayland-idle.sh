#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Wake-ups of the open tab at rest under a Wayland compositor: the program, started as a user's session would
# start it (no platform chosen, XDG_SESSION_TYPE=wayland), in the headless session of tests/wayland.sh beside
# a native window that has the keyboard. The compositor's own virtual pointer (wlinput) clicks the strip,
# which opens the tab and gives it the keyboard, then rests on the native window; the program's context
# switches are counted over WINDOWS windows of SECONDS seconds each. It reports and does not judge.
#
#   bench/wayland-idle.sh [--compositor sway|mutter|kwin] BUILD [WINDOWS] [SECONDS] [--fullscreen]
#     BUILD: a build folder with brimvel, tests/wayland/wlinput, tests/wayland/testwindow and
#     bench/bench_xprobe
#
# Prints one line per window, "open_wayland_wakeups program N" (N per second), then one line per thread of
# the program with its wake-ups per second over the whole span.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [ "${1:-}" != --measure ]; then
    compositor=sway
    if [ "${1:-}" = --compositor ]; then
        compositor=${2:?compositor}
        shift 2
    fi
    build=$(cd "${1:?build folder}" && pwd)
    exec "$root/tests/wayland.sh" --compositor "$compositor" "${BASH_SOURCE[0]}" --measure "$build" "${2:-3}" \
        "${3:-10}" "${4:-}"
fi

# ---------------------------------------------------------------- inside the Wayland session from here on
build=$2 windows=$3 window_s=$4 fullscreen=${5:-}
probe=$build/bench/bench_xprobe
program=$BRIMVEL_DESKTOP/program
mkdir -p "$program/data/links" "$program/data/sounds" "$program/config"
cp "$build/brimvel" "$program/"
cp "$build/data/sounds/"*.wav "$program/data/sounds/"
printf '[0]\nname0=First\nurl0=http://first.example/\n' >"$program/data/links/plink.dat"

# Where sway tiles it over the whole output, the others are asked for the same.
place=$fullscreen
[ -z "$place" ] && [ "$BRIMVEL_COMPOSITOR" != sway ] && place=--maximized
QT_QPA_PLATFORM=wayland "$build/tests/wayland/testwindow" native $place >/dev/null 2>&1 &
window=$!
XDG_CONFIG_HOME="$program/config" "$program/brimvel" >"$program/log" 2>&1 &
tab=$!
# Under mutter and KWin the helper gives input as the compositor's user, through their own interfaces.
case "$BRIMVEL_COMPOSITOR" in
    sway) coproc input { "$build/tests/wayland/wlinput"; } ;;
    mutter) coproc input { "$BRIMVEL_AS_COMPOSITOR" "$build/tests/wayland/wlinput" --mutter; } ;;
    *) coproc input { "$BRIMVEL_AS_COMPOSITOR" "$build/tests/wayland/wlinput"; } ;;
esac
trap 'exec {input[1]}>&-; kill $tab $window 2>/dev/null; wait 2>/dev/null' EXIT
send() {
    local answer
    echo "$*" >&"${input[1]}"
    read -r answer <&"${input[0]}"
    [ "$answer" = ok ] || { echo "wayland-idle: wlinput answered '$answer' to '$*'" >&2; exit 1; }
}
read -r ready <&"${input[0]}"
[ "$ready" = ready ] || { echo "wayland-idle: no virtual pointer" >&2; exit 1; }

geometry() { "$probe" geometry Brimvel-Blue 2>/dev/null; }
for _ in $(seq 100); do geometry >/dev/null && break; sleep 0.1; done
read -r x y _ _ < <(geometry)
# The strip, at a hand's pace: XWayland passes the pointer on after the compositor has handled it.
for attempt in 1 2 3; do
    send move $((x + 3)) $((y + 35))
    send move $((x + 3)) $((y + 40))
    sleep 0.2
    send down 1
    sleep 0.05
    send up 1
    for _ in $(seq 50); do
        read -r _ _ _ height < <(geometry)
        [ "$height" -ge 300 ] && break 2
        sleep 0.1
    done
done
[ "$height" -ge 300 ] || { echo "wayland-idle: the tab did not open (height $height)" >&2; exit 1; }
# At rest on the native window, away from the tab.
send move 200 500
sleep 2

# Each window counted thread by thread over the part of it each thread lived (bench/thread-sampler.py).
: >"$program/threads"
for _ in $(seq "$windows"); do
    "$root/bench/thread-sampler.py" "$window_s" "$tab" >"$program/window"
    grep '^thread ' "$program/window" >>"$program/threads"
    echo "open_wayland_wakeups program $(awk -v pid="$tab" -v s="$window_s" \
        '$1 == pid { printf "%.3f", $2 / s }' "$program/window")"
done
awk -v s=$((windows * window_s)) '{ n[$3] += $5; name[$3] = $4 }
    END { for (t in n) printf "open under Wayland: thread %s (%s) %.2f wake-ups/s\n", t, name[t], n[t] / s }' \
    "$program/threads" | sort -t ' ' -k5,5n
