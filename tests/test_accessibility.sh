#!/bin/bash
# SPDX-License-Identifier: MIT
# What a screen reader sees of the running program and what it can do with it, through the real
# accessibility bus: a private D-Bus session, the desktop's at-spi bus launcher and registry, and the program
# with accessibility switched on. The checks (tests/accessibility/test_accessibility.py) read the tree with
# pyatspi, act on it, and drive the open tab with the keyboard alone. Runs in tests/desktop.sh.
build=$1
here=$(cd "$(dirname "$0")" && pwd)
. "$here/session-parts.sh"
start_scratch_session

start_accessibility_bus || exit 1

/usr/bin/python3 "$here/accessibility/test_accessibility.py" "$build"
