#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Slide figures under a Wayland compositor: the program, started as a user's session would start it (no
# platform chosen, XDG_SESSION_TYPE=wayland), in the headless sway session of tests/wayland.sh, beside a
# native window; bench_xprobe opens and closes the tab with clicks on its strip and times every x change as
# XWayland has it. Also prints the processor time that sway, XWayland and the program used meanwhile.
# It reports and does not judge.
#
#   bench/wayland-slides.sh BUILD [ROUNDS] [--fullscreen]
#     BUILD: a build folder with brimvel, tests/wayland/testwindow and bench/bench_xprobe
#     (cmake -S bench -B BUILD/bench -DBRIMVEL_BUILD=BUILD && cmake --build BUILD/bench --target bench_xprobe)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [ "${1:-}" != --measure ]; then
    build=$(cd "${1:?build folder}" && pwd)
    exec "$root/tests/wayland.sh" "${BASH_SOURCE[0]}" --measure "$build" "${2:-3}" "${3:-}"
fi

# ---------------------------------------------------------------- inside the Wayland session from here on
build=$2 rounds=$3 fullscreen=${4:-}
program=$BRIMVEL_DESKTOP/program
mkdir -p "$program/data/links" "$program/data/sounds" "$program/config"
cp "$build/brimvel" "$program/"
cp "$build/data/sounds/"*.wav "$program/data/sounds/"

QT_QPA_PLATFORM=wayland "$build/tests/wayland/testwindow" native $fullscreen >/dev/null 2>&1 &
window=$!
XDG_CONFIG_HOME="$program/config" "$program/brimvel" &
tab=$!
trap 'kill $tab $window 2>/dev/null; wait 2>/dev/null' EXIT
for _ in $(seq 100); do
    "$build/bench/bench_xprobe" geometry Brimvel-Blue >/dev/null 2>&1 && break
    sleep 0.1
done

# The processor time (clock ticks) of a process so far.
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
sway=$(basename "$SWAYSOCK" .sock); sway=${sway##*.}
xwayland=
for proc in /proc/[0-9]*; do
    if [ "$( (tr '\0' ' ' <"$proc/cmdline") 2>/dev/null | cut -d' ' -f1-2)" = "Xwayland $DISPLAY" ]; then
        xwayland=${proc#/proc/}
    fi
done
before=("$(ticks "$sway")" "$(ticks "$xwayland")" "$(ticks "$tab")")
start=$(date +%s%N)
"$build/bench/bench_xprobe" slides Brimvel-Blue "$rounds" 20 40 | grep -E '^slide'
seconds=$(( ($(date +%s%N) - start) / 1000000 ))
hz=$(getconf CLK_TCK)
printf 'processor time over %d ms (ms): sway %d, Xwayland %d, program %d\n' "$seconds" \
    $(( ($(ticks "$sway") - before[0]) * 1000 / hz )) $(( ($(ticks "$xwayland") - before[1]) * 1000 / hz )) \
    $(( ($(ticks "$tab") - before[2]) * 1000 / hz ))
