#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Links in and out through a real Firefox profile, offline in a network namespace with loopback only:
#  - Firefox (headless, a fresh profile) makes its places.sqlite with its default bookmarks; `brimvel --import`
#    takes every web bookmark from it while Firefox still runs, in the browser's order, and the word `firefox`
#    finds the same profile through profiles.ini;
#  - a damaged copy of that database is refused and the link file stays byte for byte as it was;
#  - `brimvel --export` writes the links; a second fresh profile imports that file at its first start, and its
#    places.sqlite then holds every exported link, name for name, in a folder per page.
#
#   tests/test_firefox_bookmarks.sh BUILD_FOLDER
set -u
build=$(cd "${1:?build folder}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${BRIMVEL_IN_NETNS:-}" ]; then
    exec unshare -n env BRIMVEL_IN_NETNS=1 "$0" "$@"
fi
ip link set lo up || { echo "cannot bring up loopback in the namespace"; exit 1; }
. "$here/shell-checks.sh"

work=$(mktemp -d /tmp/brimvel-firefox.XXXXXX)
cleanup() {
    pkill -f "$work/" 2>/dev/null
    sleep 0.5
    pkill -9 -f "$work/" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
export HOME="$work/home"
mkdir -p "$HOME"
unset DISPLAY WAYLAND_DISPLAY
dbus-daemon --session --fork --address="unix:path=$work/bus" --print-pid=3 3>"$work/bus.pid" >/dev/null
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/bus"
trap 'kill "$(cat "$work/bus.pid")" 2>/dev/null; cleanup' EXIT

mkdir -p "$work/prog/data/links"
cp "$build/brimvel" "$work/prog/"
links="$work/prog/data/links/plink.dat"
brimvel() { "$work/prog/brimvel" "$@"; }

# Prints "title<TAB>url" of every bookmark of a places.sqlite, read from a copy (a running Firefox holds
# the file), depth first in the browser's order, tags left out; with "folders" each line starts with the
# name of the bookmark's folder.
places() {
    python3 - "$1" "${2:-}" <<'PY'
import shutil, sqlite3, sys, tempfile, os
src, mode = sys.argv[1], sys.argv[2]
with tempfile.TemporaryDirectory() as d:
    for suffix in ("", "-wal"):
        if os.path.exists(src + suffix):
            shutil.copy(src + suffix, os.path.join(d, "p.sqlite" + suffix))
    db = sqlite3.connect(os.path.join(d, "p.sqlite"))
    rows = db.execute("select b.id, b.type, b.parent, b.title, p.url, b.guid from moz_bookmarks b "
                      "left join moz_places p on p.id = b.fk order by b.parent, b.position").fetchall()
    children = {}
    for r in rows:
        children.setdefault(r[2], []).append(r)
    titles = {r[0]: r[3] for r in rows}
    def walk(parent):
        for (id_, type_, _, title, url, guid) in children.get(parent, []):
            if type_ == 1 and url:
                print((titles.get(parent) or "") + "\t" if mode == "folders" else "", end="")
                print(f"{title or ''}\t{url}")
            elif type_ == 2 and guid != "tags________":
                walk(id_)
    walk(0)
PY
}

# Starts headless Firefox on a profile folder; it runs until the test ends.
start_firefox() {
    local profile=$1
    cp "$here/browsers/firefox-user.js" "$profile/user.js"
    [ -n "${2:-}" ] && echo 'user_pref("browser.places.importBookmarksHTML", true);' >>"$profile/user.js"
    firefox-esr --headless --no-remote --profile "$profile" about:blank >"$profile.log" 2>&1 &
}

# Waits (up to 60 s) until the profile's bookmarks are more than a count and have stayed the same for 2 s.
settled_bookmarks() {
    local profile=$1 least=$2 last=-1 same=0 now
    for _ in $(seq 120); do
        now=$(places "$profile/places.sqlite" 2>/dev/null | wc -l)
        if [ "$now" -gt "$least" ] && [ "$now" -eq "$last" ]; then
            same=$((same + 1))
            [ "$same" -ge 4 ] && return 0
        else
            same=0
        fi
        last=$now
        sleep 0.5
    done
    return 1
}

# ---- import from a running Firefox's own database ----
profile="$work/profile-one"
mkdir -p "$profile"
start_firefox "$profile"
require "Firefox makes its places.sqlite with its default bookmarks" settled_bookmarks "$profile" 0
places "$profile/places.sqlite" >"$work/firefox.tsv"
echo "  Firefox's bookmarks:"; sed 's/^/    /' "$work/firefox.tsv"
grep -P '\t(https?|ftp|mailto):' "$work/firefox.tsv" >"$work/web.tsv"
web=$(wc -l <"$work/web.tsv")
total=$(wc -l <"$work/firefox.tsv")
check "the default bookmarks include web addresses" test "$web" -gt 0

brimvel --import "$profile/places.sqlite" >"$work/out" 2>"$work/err"
status=$?
check "the import from the running browser's database ends with 0" test "$status" -eq 0
check "it says how many it took and skipped" grep -qxF \
    "Imported $web links; skipped $((total - web)) (already there, not a web address, or no free slot)." "$work/out"
# The link file in slot order, as "name<TAB>address".
slots() {
    python3 - "$links" <<'PY'
import sys
sections, current = {}, None
for line in open(sys.argv[1], encoding="utf-8"):
    line = line.rstrip("\n")
    if line.startswith("["):
        current = sections.setdefault(line[1:line.index("]")], {})
    elif "=" in line and current is not None:
        k, v = line.split("=", 1)
        if len(v) >= 2 and v[0] == v[-1] and v[0] in "\"'":
            v = v[1:-1]
        current[k] = v
for p in range(9):
    for s in range(10):
        sec = sections.get(str(p), {})
        if f"url{s}" in sec:
            print(f"{sec.get(f'name{s}', '')}\t{sec[f'url{s}']}")
PY
}
slots >"$work/imported.tsv"
check "every web bookmark arrived, named by its title, in the browser's order" cmp -s "$work/web.tsv" "$work/imported.tsv"

# The word "firefox": the default profile of this user through profiles.ini; everything is there already.
mkdir -p "$HOME/.mozilla/firefox"
cat >"$HOME/.mozilla/firefox/profiles.ini" <<INI
[Profile0]
Name=default-esr
IsRelative=0
Path=$profile
Default=1

[General]
StartWithLastProfile=1
Version=2
INI
check "the word firefox finds the user's default profile" sh -c \
    "'$work/prog/brimvel' --import firefox | grep -qxF 'Imported 0 links; skipped $total (already there, not a web address, or no free slot).'"

# ---- a damaged database changes nothing ----
before=$(sha256sum "$links")
# A whole, self-contained copy (the browser's recent writes are still in its write-ahead log), cut in half.
python3 - "$profile/places.sqlite" "$work/whole.sqlite" <<'PY'
import shutil, sqlite3, sys, tempfile, os
with tempfile.TemporaryDirectory() as d:
    for suffix in ("", "-wal"):
        if os.path.exists(sys.argv[1] + suffix):
            shutil.copy(sys.argv[1] + suffix, os.path.join(d, "p.sqlite" + suffix))
    source = sqlite3.connect(os.path.join(d, "p.sqlite"))
    target = sqlite3.connect(sys.argv[2])
    source.backup(target)
    target.execute("pragma journal_mode=delete")
    target.close()
PY
size=$(stat -c %s "$work/whole.sqlite")
head -c $((size / 2)) "$work/whole.sqlite" >"$work/truncated.sqlite"
printf '[0]\nname0=Kept\nurl0=http://kept.example/\n' >"$links"
before=$(sha256sum "$links")
brimvel --import "$work/truncated.sqlite" >"$work/out" 2>"$work/err"
status=$?
check "a truncated database ends with 1" test "$status" -eq 1
check "it says why on standard error" grep -q "^brimvel: cannot import from $work/truncated.sqlite: .*Nothing was changed.\$" "$work/err"
check "and prints nothing on standard output" test ! -s "$work/out"
check "the link file is as it was" test "$(sha256sum "$links")" = "$before"
sed 's/^/    /' "$work/err"

# ---- export, then a fresh Firefox imports the file ----
cat >"$links" <<'INI'
[0]
name0=Tom & "Jerry" <b>
url0=https://a.example/?x=1&y=2
name3=""Quoted""
url3=mailto:q@mail.example
[4]
name9=Café 日本語 'single'
url9=http://b.example/caf%C3%A9
[8]
name0=Last one
url0=ftp://c.example/pub/
INI
brimvel --export "$work/exported.html" >"$work/out" 2>"$work/err"
check "the export ends with 0 and says what it wrote" grep -qxF "Exported 4 links to $work/exported.html" "$work/out"
profile2="$work/profile-two"
mkdir -p "$profile2"
cp "$work/exported.html" "$profile2/bookmarks.html"
start_firefox "$profile2" import
require "Firefox imports the exported file at its first start" settled_bookmarks "$profile2" 3
places "$profile2/places.sqlite" folders >"$work/arrived.tsv"
echo "  What the second profile holds:"; sed 's/^/    /' "$work/arrived.tsv"
while IFS=$'\t' read -r folder name url; do
    check "arrived: $folder / $name" grep -qxF "$folder	$name	$url" "$work/arrived.tsv"
done <<'TSV'
Page 1	Tom & "Jerry" <b>	https://a.example/?x=1&y=2
Page 1	"Quoted"	mailto:q@mail.example
Page 5	Café 日本語 'single'	http://b.example/caf%C3%A9
Page 9	Last one	ftp://c.example/pub/
TSV

# ---- and the same file back into an empty link file: the same links in the same slots ----
cp "$links" "$work/before.dat"
rm -f "$links"
check "importing the export into an empty link file ends with 0" sh -c \
    "'$work/prog/brimvel' --import '$work/exported.html' | grep -qxF 'Imported 4 links; skipped 0 (already there, not a web address, or no free slot).'"
python3 - "$work/before.dat" "$links" <<'PY' >"$work/compare" 2>&1
import sys
def table(path):
    out, cur = {}, None
    for line in open(path, encoding="utf-8"):
        line = line.rstrip("\n")
        if line.startswith("["):
            cur = line[1:line.index("]")]
        elif "=" in line:
            k, v = line.split("=", 1)
            out[(cur, k)] = v
    return out
a, b = table(sys.argv[1]), table(sys.argv[2])
print("same" if a == b else f"differ: {sorted(set(a.items()) ^ set(b.items()))}")
PY
check "the same links in the same slots" grep -qx same "$work/compare"
cat "$work/compare"
finish
