#!/bin/bash
# SPDX-License-Identifier: MIT
# The real program on a link file of 64 GiB (sparse, two links at its head) with its address space limited to
# 4 GiB: the tab comes on screen and stays, --export takes the file for absent, --import refuses to write it,
# and the file is never touched. Runs in tests/desktop.sh. Not in a sanitizer build: AddressSanitizer cannot
# start under such a limit.
#
#   tests/test_huge_link_file.sh BUILD_FOLDER   (BRIMVEL_SANITIZE=ON in the environment skips it)
build=$(cd "${1:?build folder}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
. "$here/shell-checks.sh"
if [ "${BRIMVEL_SANITIZE:-OFF}" = ON ]; then
    echo "SKIP: a sanitizer build cannot run under an address-space limit"
    exit 77
fi
work=$(mktemp -d /tmp/brimvel-huge.XXXXXX)
trap 'kill "$program_pid" 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p "$work/prog/data/links" "$work/prog/data/sounds"
cp "$build/brimvel" "$work/prog/" && cp "$build"/data/sounds/*.wav "$work/prog/data/sounds/"
links="$work/prog/data/links/plink.dat"
printf '[0]\nname0=First\nurl0=http://first.example/\nname1=Second\nurl1=http://second.example/\n' >"$links"
truncate -s 64G "$links"
# The file as it is: size, time, and a digest of its head.
state() { stat -c '%s %Y %i' "$links"; head -c 65536 "$links" | sha256sum; }
before=$(state)

# limited COMMAND...: runs the program's command with the address space limited to 4 GiB.
limited() { (ulimit -v 4194304 && exec "$@"); }

(ulimit -v 4194304 && exec "$work/prog/brimvel") >"$work/program.log" 2>&1 &
program_pid=$!
require "the tab comes on screen" tab_window_of_program >/dev/null
alive_for() { # seconds: the program lives that long
    for _ in $(seq $(($1 * 10))); do kill -0 "$program_pid" 2>/dev/null || return 1; sleep 0.1; done
}
check "the program runs on for 3 s" alive_for 3

limited timeout 20 "$work/prog/brimvel" --export "$work/out.html" >"$work/out" 2>"$work/err"
status=$?
check "--export: status 0" test "$status" -eq 0
check "--export: the file reads as absent" grep -qxF "Exported 0 links to $work/out.html" "$work/out"
check "--export: a bookmarks file without links" sh -c "grep -q '^<!DOCTYPE NETSCAPE-Bookmark-file-1>' '$work/out.html' && ! grep -q 'first.example' '$work/out.html'"

limited timeout 20 "$work/prog/brimvel" --import "$here/fixtures/bookmarks/nested.html" >"$work/out" 2>"$work/err"
status=$?
check "--import: status 1" test "$status" -eq 1
check "--import: says the links could not be saved" grep -qF "the links could not be saved to $links; it is as it was." "$work/err"

check "the program still runs" kill -0 "$program_pid"
check "the link file is untouched" test "$(state)" = "$before"
check "nothing else was left in the links folder" test "$(ls -A "$work/prog/data/links")" = plink.dat
finish
