#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian 12 packages a task needs, when any is missing:
#
#   scripts/install-deps.sh [run]   building the program (and its tests), running it, `make run`'s screenshots
#                                   on a machine without a display, `make install` and `make package`
#   scripts/install-deps.sh test    all of the above, and what the test suite, the fuzzers, the sanitizer
#                                   build and the benchmarks run beside the program
#
# The Makefile asks for `run` before `run`, `program`, `build`, `install` and `package`, and for `test` before
# `test`, `test-sanitize`, `fuzz`, `format-check` and `bench`.
set -euo pipefail

run_packages=(
    # The build: compiler, CMake and Ninja; dpkg-dev and file for `make package` (cpack's library scan).
    cmake ninja-build g++ pkg-config dpkg-dev file
    # Qt 6 (Widgets, Gui, Test, Network in qt6-base-dev; the sound cues; the SQLite driver for importing from
    # Firefox) and the X11 libraries for what Qt does not offer.
    qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev libqt6multimedia6 libgl-dev libqt6sql6-sqlite
    libx11-dev libxi-dev libxtst-dev libxext-dev
    # The captions' font.
    fonts-liberation2
    # `make run` without a display (scripts/run.sh in tests/desktop.sh): a virtual screen, a window manager, a
    # sound server with a null sink, the pointer click that opens the tab and the screenshots.
    xvfb openbox x11-utils x11-xserver-utils xdotool imagemagick pulseaudio pulseaudio-utils
)
test_packages=(
    # The fuzzers (clang with libFuzzer), the format check and the layer check.
    clang libclang-rt-14-dev clang-format python3
    # Recording the cues; the desktop entry check.
    sox desktop-file-utils
    # The package checks.
    appstream lintian
    # The Wayland compositors, each with XWayland, and what the Wayland helpers build against.
    sway xwayland grim qt6-wayland libwayland-dev libxkbcommon-dev
    mutter kwin-wayland plasma-wayland-protocols libglib2.0-dev
    # The real browsers, offline in a network namespace of their own.
    firefox-esr chromium dbus iproute2 util-linux
    # The accessibility bus and a client of it.
    at-spi2-core python3-pyatspi gir1.2-atspi-2.0
    # The screen reader on that bus and what it speaks through: the speech server and its eSpeak NG module
    # (the tests send the speech to ALSA's null device).
    orca speech-dispatcher speech-dispatcher-espeak-ng espeak-ng
)

case "${1:-run}" in
    run) packages=("${run_packages[@]}") ;;
    test) packages=("${run_packages[@]}" "${test_packages[@]}") ;;
    *)
        echo "usage: scripts/install-deps.sh [run|test]" >&2
        exit 2
        ;;
esac

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
