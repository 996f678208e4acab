#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# brimvel --import and --export from the command line, without a display: what each source gives, what is
# refused and why, and that a refused or failed import leaves the link file byte for byte as it was.
#
#   tests/test_link_transfer.sh BUILD_FOLDER
set -u
build=$(cd "${1:?build folder}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
. "$here/shell-checks.sh"
fixtures="$here/fixtures/bookmarks"
work=$(mktemp -d /tmp/brimvel-transfer.XXXXXX)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
unset DISPLAY WAYLAND_DISPLAY
export HOME="$work/home" XDG_CONFIG_HOME="$work/config"
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$work/prog/data/links"
cp "$build/brimvel" "$work/prog/"
links="$work/prog/data/links/plink.dat"
seed='[0]
name0=Kept
url0=http://kept.example/
'

# run ARGS...: runs the program, leaving its status in $status and its output in $work/out and $work/err.
run() {
    timeout 20 "$work/prog/brimvel" "$@" >"$work/out" 2>"$work/err"
    status=$?
}
said() { grep -qxF -- "$1" "$work/out"; }
complained() { grep -qF -- "$1" "$work/err"; }

# ---- sources that are refused: status 1, the reason on standard error, the link file untouched ----
printf 'just some text\n' >"$work/notes.txt"
head -c 300 "$fixtures/nested.html" >"$work/cut.html"
head -c 900 "$fixtures/Bookmarks.json" >"$work/cut.json"
printf '\xff\xfe<html>' >"$work/binary.bin"
mkdir -p "$work/a-folder"
# Sparse files far past the bound of a bookmarks file (64 MiB), each with a head that names its format.
cp "$fixtures/nested.html" "$work/huge.html" && truncate -s 64G "$work/huge.html"
cp "$fixtures/Bookmarks.json" "$work/huge.json" && truncate -s 65M "$work/huge.json"
while IFS='|' read -r what source reason; do
    printf '%s' "$seed" >"$links"
    before=$(sha256sum "$links")
    run --import "$source"
    check "$what: status 1" test "$status" -eq 1
    check "$what: says \"$reason\"" complained "$reason"
    check "$what: nothing on standard output" test ! -s "$work/out"
    check "$what: the link file is as it was" test "$(sha256sum "$links")" = "$before"
done <<TABLE
a file that is not there|$work/missing.html|cannot import from $work/missing.html: it cannot be read
a folder|$work/a-folder|it is not a file
plain text|$work/notes.txt|it is not a bookmarks file (a bookmarks HTML file, a Chromium Bookmarks file or a Firefox places.sqlite). Nothing was changed.
a bookmarks file cut short|$work/cut.html|it ends inside a tag on line
a Chromium file cut short|$work/cut.json|it is not valid JSON
binary data|$work/binary.bin|it is not a bookmarks file
a bookmarks file of 64 GiB|$work/huge.html|cannot import from $work/huge.html: it is too large (more than 64 MiB). Nothing was changed.
a Chromium file past 64 MiB|$work/huge.json|cannot import from $work/huge.json: it is too large (more than 64 MiB). Nothing was changed.
firefox without a profile|firefox|there is no Firefox profile ($HOME/.mozilla/firefox/profiles.ini is missing)
chromium without bookmarks|chromium|Chromium has no bookmarks for this user ($XDG_CONFIG_HOME/chromium/Default/Bookmarks is missing)
TABLE

run --import
check "--import without a source: status 1 and why" sh -c "[ $status -eq 1 ] && grep -qF 'needs a bookmarks file, firefox or chromium' '$work/err'"

# ---- a link file that cannot be written: status 1, it says so, the file is as it was ----
printf '%s' "$seed" >"$links"
chmod 0444 "$links"
before=$(sha256sum "$links")
run --import "$fixtures/nested.html"
check "read-only link file: status 1" test "$status" -eq 1
check "read-only link file: says it could not save" complained "the links could not be saved to $links; it is as it was."
check "read-only link file: the file is as it was" test "$(sha256sum "$links")" = "$before"
chmod 0644 "$links"

# ---- the word chromium: the user's default profile's Bookmarks file ----
mkdir -p "$XDG_CONFIG_HOME/chromium/Default"
cp "$fixtures/Bookmarks.json" "$XDG_CONFIG_HOME/chromium/Default/Bookmarks"
printf '%s' "$seed" >"$links"
run --import chromium
check "chromium: status 0" test "$status" -eq 0
check "chromium: five web links taken, the bookmarklet skipped" \
    said "Imported 5 links; skipped 1 (already there, not a web address, or no free slot)."
check "chromium: the kept link is still in slot 1" grep -qx 'name0=Kept' "$links"
check "chromium: the bar's link is next" grep -qx 'name1=Bar link' "$links"
check "chromium: a bookmark without a title is named by its server" grep -qx 'name4=other.example' "$links"
run --import chromium
check "chromium again: everything is there already" \
    said "Imported 0 links; skipped 6 (already there, not a web address, or no free slot)."

# ---- export ----
rm -f "$links"
run --export "$work/empty.html"
check "export of no links: status 0 and says so" sh -c "[ $status -eq 0 ] && grep -qxF 'Exported 0 links to $work/empty.html' '$work/out'"
check "export of no links: still a bookmarks file" grep -q '^<!DOCTYPE NETSCAPE-Bookmark-file-1>' "$work/empty.html"
run --export "$work/no-such-folder/out.html"
check "export into a missing folder: status 1 and why" sh -c "[ $status -eq 1 ] && grep -qF 'cannot write $work/no-such-folder/out.html' '$work/err'"
finish
