#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian 12 packages the build, the program and the tests need, when any is missing.
set -euo pipefail
packages=(
    cmake ninja-build g++ pkg-config clang libclang-rt-14-dev clang-format
    qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev libqt6multimedia6 libgl-dev libqt6sql6-sqlite
    libx11-dev libxi-dev libxtst-dev libxext-dev
    fonts-liberation2
    xvfb openbox x11-utils x11-xserver-utils xdotool imagemagick desktop-file-utils
    pulseaudio pulseaudio-utils sox python3
    dpkg-dev file appstream lintian
    sway xwayland grim qt6-wayland libwayland-dev libxkbcommon-dev
    mutter kwin-wayland plasma-wayland-protocols libglib2.0-dev
    firefox-esr chromium dbus iproute2 util-linux
    at-spi2-core python3-pyatspi gir1.2-atspi-2.0
)
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
