#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Debian package end to end, on the test desktop (run it inside tests/desktop.sh, which provides DISPLAY):
#
#   tests/test_package.sh BUILD_DIR
#
# Builds the package from the built program (cpack), checks it with lintian, its contents, its AppStream
# metainfo (appstreamcli validate --no-net) and its desktop entry (desktop-file-validate), unpacks it into a
# temporary root (dpkg-deb -x) and makes that root read-only. Then, as an ordinary user with a fresh home, it
# starts the unpacked program through usr/bin/brimvel, saves a link through the link editor with real pointer
# and keyboard input, restarts the program and opens the saved link from the tab; and, with a plink.dat
# shipped in the program folder, checks that the first start copies it into the user's data folder and that
# later starts never copy it over the user's file.
#
# Root writes into read-only folders all the same, so when this runs as root the program runs as the user
# "nobody" (uid 65534, present on every Debian system; no user is created), through setpriv. The last line
# says "N passed, N failed".
# shellcheck disable=SC2317,SC2016
set -u

build_arg=${1:?usage: tests/test_package.sh BUILD_DIR}
build=$(cd "$build_arg" 2>/dev/null && pwd) || { echo "test_package: no build folder $build_arg" >&2; exit 2; }
[ -x "$build/brimvel" ] || { echo "test_package: build the program first ($build/brimvel is missing)" >&2; exit 2; }
[ -f "$build/CPackConfig.cmake" ] || { echo "test_package: $build has no CPackConfig.cmake" >&2; exit 2; }
[ -n "${DISPLAY:-}" ] || { echo "test_package: no DISPLAY; run it inside tests/desktop.sh" >&2; exit 2; }
for tool in cpack dpkg-deb lintian appstreamcli desktop-file-validate xdotool xwininfo identify python3; do
    command -v "$tool" >/dev/null 2>&1 || { echo "test_package: $tool is missing (scripts/install-deps.sh test)" >&2; exit 2; }
done

version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
work=$(mktemp -d /tmp/brimvel-package.XXXXXX)
# The ordinary user must reach the unpacked program and its own home below this folder.
chmod 755 "$work"
root="$work/root"
program_pid=
cleanup() {
    if [ -n "$program_pid" ]; then kill "$program_pid" 2>/dev/null; wait "$program_pid" 2>/dev/null; fi
    chmod -R u+w "$work" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

. "$(dirname "$0")/shell-checks.sh"

# The user the unpacked program runs as.
if [ "$(id -u)" -eq 0 ]; then
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
    user_uid=65534
    give_to_user() { chown -R 65534:65534 "$@"; }
    echo "note: running as root, so the program runs as the user nobody (uid 65534)"
else
    as_user=()
    user_uid=$(id -u)
    give_to_user() { :; }
fi

################################################################################################################
echo "== The package =="

build_package() {
    (cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out") >"$work/cpack.log" 2>&1 || {
        cat "$work/cpack.log" >&2
        return 1
    }
    deb=$(find "$work/out" -maxdepth 1 -name "brimvel_${version}_*.deb" | head -n1)
    [ -n "$deb" ] || { echo "  no brimvel_${version}_*.deb in $work/out" >&2; return 1; }
}
require "cpack builds the package" build_package

lintian_clean() {
    # Errors and warnings both count; informational tags do not.
    lintian --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 || { cat "$work/lintian.log" >&2; return 1; }
}
check "lintian reports neither errors nor warnings" lintian_clean

control_right() {
    local field want got ok=0
    for pair in "Package=brimvel" "Version=$version" "Section=utils"; do
        field=${pair%%=*}; want=${pair#*=}
        got=$(dpkg-deb -f "$deb" "$field")
        [ "$got" = "$want" ] || { echo "  control field $field is '$got', expected '$want'" >&2; ok=1; }
    done
    dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || { echo "  Depends lacks the Qt libraries" >&2; ok=1; }
    return "$ok"
}
check "control fields name the package, its version and its Qt dependencies" control_right

require "dpkg-deb -x unpacks the package" dpkg-deb -x "$deb" "$root"
program_folder="$root/usr/lib/brimvel"

contents_right() {
    local ok=0 f
    for f in brimvel data/sounds/button.wav data/sounds/scroll.wav data/sounds/min.wav; do
        [ -f "$program_folder/$f" ] || { echo "  missing usr/lib/brimvel/$f" >&2; ok=1; }
    done
    for f in button.wav scroll.wav min.wav; do
        cmp -s "$build/data/sounds/$f" "$program_folder/data/sounds/$f" || { echo "  $f is not the built sound" >&2; ok=1; }
    done
    [ -x "$program_folder/brimvel" ] || { echo "  usr/lib/brimvel/brimvel is not executable" >&2; ok=1; }
    [ "$(readlink "$root/usr/bin/brimvel")" = "../lib/brimvel/brimvel" ] ||
        { echo "  usr/bin/brimvel is not a relative link to the program" >&2; ok=1; }
    [ ! -e "$program_folder/data/links" ] || { echo "  the package ships a links folder" >&2; ok=1; }
    for f in usr/share/applications/brimvel.desktop usr/share/doc/brimvel/copyright \
        usr/share/doc/brimvel/changelog.gz usr/share/man/man1/brimvel.1.gz; do
        [ -f "$root/$f" ] || { echo "  missing $f" >&2; ok=1; }
    done
    return "$ok"
}
check "program folder under /usr/lib/brimvel with its sounds, /usr/bin/brimvel, entry, docs" contents_right

icons_right() {
    local folder="$root/usr/share/icons/hicolor" size scale dir dims ok=0
    for dir in 16x16 32x32 48x48 64x64 128x128 256x256 16x16@2 32x32@2 48x48@2 64x64@2 128x128@2; do
        size=${dir%%x*}
        scale=1
        [[ "$dir" == *@2 ]] && scale=2
        dims=$(identify -format '%wx%h' "$folder/$dir/apps/brimvel.png" 2>/dev/null)
        [ "$dims" = "$((size * scale))x$((size * scale))" ] || {
            echo "  $dir/apps/brimvel.png is '$dims', expected $((size * scale))x$((size * scale))" >&2
            ok=1
        }
    done
    return "$ok"
}
check "icon at every size in hicolor, 1x and 2x" icons_right

entry="$root/usr/share/applications/brimvel.desktop"
entry_valid() {
    if ! desktop-file-validate --no-hints "$entry" >"$work/validate.log" 2>&1 || [ -s "$work/validate.log" ]; then
        cat "$work/validate.log" >&2
        return 1
    fi
}
check "desktop-file-validate: no errors or warnings" entry_valid
check "desktop entry starts the command on PATH with the brimvel icon" \
    bash -c 'grep -qx "Exec=brimvel" "$1" && grep -qx "Icon=brimvel" "$1" && grep -qx "Name=Brimvel" "$1"' _ "$entry"

metainfo=$(find "$root/usr/share/metainfo" -name '*.metainfo.xml' 2>/dev/null | head -n1)
metainfo_valid() {
    [ -n "$metainfo" ] || { echo "  no metainfo in usr/share/metainfo" >&2; return 1; }
    appstreamcli validate --no-net "$metainfo" >"$work/appstream.log" 2>&1 || { cat "$work/appstream.log" >&2; return 1; }
    if grep -Eq '^[EW]:' "$work/appstream.log"; then cat "$work/appstream.log" >&2; return 1; fi
}
check "appstreamcli validate --no-net: no errors or warnings" metainfo_valid

metainfo_fields() {
    python3 - "$metainfo" "$version" <<'PY'
import re, sys, xml.etree.ElementTree as ET
path, version = sys.argv[1], sys.argv[2]
c = ET.parse(path).getroot()
problems = []
def text(xpath):
    e = c.find(xpath)
    return "".join(e.itertext()).strip() if e is not None else ""
if path.rsplit("/", 1)[-1] != text("id") + ".metainfo.xml":
    problems.append("file name does not match the id " + text("id"))
for xpath in ("name", "summary", "description/p", "project_license", "metadata_license",
              "screenshots/screenshot/caption", "screenshots/screenshot/image"):
    if not text(xpath):
        problems.append("no " + xpath)
if c.find("launchable[@type='desktop-id']") is None or text("launchable") != "brimvel.desktop":
    problems.append("no launchable brimvel.desktop")
release = c.find("releases/release")
if release is None or release.get("version") != version or not re.fullmatch(r"\d{4}-\d\d-\d\d", release.get("date", "")):
    problems.append("no release %s with a date" % version)
for p in problems:
    print("  metainfo: " + p, file=sys.stderr)
sys.exit(1 if problems else 0)
PY
}
check "metainfo: summary, description, screenshot caption, licence, release $version with a date" metainfo_fields

require "the unpacked root is made read-only" chmod -R a-w "$root"

################################################################################################################
# Running the unpacked program.

# The tab's rectangle on the screen: closed at the right edge, and open.
docked="1274,5,207,80"
open_tab="1073,5,207,301"

mkdir -p "$work/bin"
cat >"$work/bin/xdg-open" <<SH
#!/bin/sh
# Records what the program asked the desktop to open, instead of starting a browser.
printf '%s\n' "\$*" >>"$work/opened.log"
SH
chmod 755 "$work/bin/xdg-open"
: >"$work/opened.log"
give_to_user "$work/opened.log"

# A fresh home for the user, with its runtime folder. Optional second argument: XDG_DATA_HOME.
new_home() { # folder [data home]
    mkdir -p "$1" "$1.run"
    chmod 700 "$1.run"
    give_to_user "$1" "$1.run"
    home=$1
    data_home=${2:-}
}

window_of() { # pid, title
    xdotool search --all --onlyvisible --pid "$1" --name "^$2\$" 2>/dev/null | head -n1
}
geometry_of() { # window: "x,y,width,height" on the screen (xwininfo: xdotool's position of a decorated
                # window is off by its frame)
    xwininfo -id "$1" 2>/dev/null | awk -F: '
        /Absolute upper-left X/ { x = $2 } /Absolute upper-left Y/ { y = $2 }
        /Width/ { w = $2 } /Height/ { h = $2 }
        END { gsub(/ /, "", x); gsub(/ /, "", y); gsub(/ /, "", w); gsub(/ /, "", h); print x "," y "," w "," h }'
}
wait_for() { # tenths of a second, command...
    local limit=$1; shift
    for _ in $(seq "$limit"); do "$@" && return 0; sleep 0.1; done
    return 1
}
geometry_is() { [ "$(geometry_of "$1")" = "$2" ]; }
click_at() { # x y
    xdotool mousemove --sync "$1" "$2"
    sleep 0.15
    xdotool click 1
    sleep 0.15
}

tab_window=
start_program() {
    local env_args=(env -i "DISPLAY=$DISPLAY" "HOME=$home" "XDG_RUNTIME_DIR=$home.run" "QT_QPA_PLATFORM=xcb"
        "PATH=$work/bin:/usr/bin:/bin" "LANG=C.UTF-8")
    [ -n "$data_home" ] && env_args+=("XDG_DATA_HOME=$data_home")
    "${as_user[@]}" "${env_args[@]}" "$root/usr/bin/brimvel" >"$work/program.log" 2>&1 &
    program_pid=$!
    tab_window=$(tab_window_of_program) || return 1
    local owner
    owner=$(stat -c %u "/proc/$program_pid")
    [ "$owner" = "$user_uid" ] || { echo "  the program runs as uid $owner, expected $user_uid" >&2; return 1; }
    wait_for 100 geometry_is "$tab_window" "$docked" ||
        { echo "  the tab is at $(geometry_of "$tab_window"), expected $docked" >&2; return 1; }
}

stop_program() {
    [ -n "$program_pid" ] || return 0
    sleep 0.5 # the start-up's preference writes
    kill "$program_pid" 2>/dev/null
    wait "$program_pid" 2>/dev/null
    program_pid=
    wait_for 50 bash -c '[ -z "$(xdotool search --onlyvisible --name "^Brimvel-Blue\$" 2>/dev/null)" ]' ||
        { echo "  the window \"Brimvel-Blue\" stayed after the program ended" >&2; return 1; }
}

open_tab() {
    click_at 1277 45
    wait_for 100 geometry_is "$tab_window" "$open_tab" ||
        { echo "  the tab did not open: $(geometry_of "$tab_window")" >&2; return 1; }
}

# Saves a link into a slot through the editor: the slot's light opens it; the address box, the name box and
# OK are clicked and typed into as a user would.
save_link() { # slot, name, address
    local slot=$1 name=$2 address=$3 editor g ex ey
    open_tab || return 1
    # picLinkLight(slot) at (165, 101 + 20 * slot) on the tab, 11 x 12.
    click_at $((1073 + 165 + 5)) $((5 + 101 + 20 * slot + 6))
    editor=
    wait_for 100 bash -c '[ -n "$(xdotool search --all --onlyvisible --pid "$1" --name "^Brimvel\$" 2>/dev/null)" ]' \
        _ "$program_pid" || { echo "  the link editor did not open" >&2; return 1; }
    editor=$(window_of "$program_pid" Brimvel)
    # The editor fills its boxes when it becomes the active window: typing starts after that.
    wait_for 50 bash -c '[ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]' _ "$editor" ||
        { echo "  the link editor did not become the active window" >&2; return 1; }
    sleep 0.3
    g=$(geometry_of "$editor")
    ex=${g%%,*}; g=${g#*,}; ey=${g%%,*}
    # txtURL at (76, 32), 300 x 15; txtName at (85, 57), 170 x 14; cmdOK at (264, 55), 56 x 18.
    click_at $((ex + 76 + 150)) $((ey + 32 + 7))
    xdotool key --clearmodifiers ctrl+a BackSpace
    xdotool type --delay 20 "$address"
    click_at $((ex + 85 + 85)) $((ey + 57 + 7))
    xdotool key --clearmodifiers ctrl+a BackSpace
    xdotool type --delay 20 "$name"
    sleep 0.2
    click_at $((ex + 264 + 28)) $((ey + 55 + 9))
    wait_for 50 bash -c '[ -z "$(xdotool search --all --onlyvisible --pid "$1" --name "^Brimvel\$" 2>/dev/null)" ]' \
        _ "$program_pid" || { echo "  the link editor stayed open" >&2; return 1; }
}

# Opens the tab and clicks a link button; the recording xdg-open must be given the address.
link_opens() { # slot, address
    local slot=$1 address=$2 before
    before=$(wc -l <"$work/opened.log")
    open_tab || return 1
    # picLink(slot) at (12, 100 + 20 * slot) on the tab, 166 x 21.
    click_at $((1073 + 12 + 83)) $((5 + 100 + 20 * slot + 10))
    wait_for 100 bash -c '[ "$(wc -l <"$1")" -gt "$2" ]' _ "$work/opened.log" "$before" ||
        { echo "  nothing was opened" >&2; return 1; }
    local got
    got=$(tail -n1 "$work/opened.log")
    [ "$got" = "$address" ] || { echo "  opened '$got', expected '$address'" >&2; return 1; }
    # The click slides the tab back in.
    wait_for 100 geometry_is "$tab_window" "$docked"
}

file_holds() { # file, name, address, slot, page
    local file=$1 name=$2 address=$3 slot=$4 page=${5:-0}
    [ -f "$file" ] || { echo "  no $file" >&2; return 1; }
    python3 - "$file" "$page" "name$slot" "$name" "url$slot" "$address" <<'PY'
import sys
path, page, name_key, name, url_key, url = sys.argv[1:]
section, values = None, {}
for line in open(path, encoding="utf-8"):
    line = line.strip()
    if line.startswith("["):
        section = line[1:line.index("]")]
    elif "=" in line and section == page:
        k, v = line.split("=", 1)
        values.setdefault(k.strip().lower(), v.strip())
ok = values.get(name_key) == name and values.get(url_key) == url
if not ok:
    print("  %s holds %r" % (path, values), file=sys.stderr)
sys.exit(0 if ok else 1)
PY
}
owned_by_user() { [ "$(stat -c %u "$1")" = "$user_uid" ] || { echo "  $1 is not the user's" >&2; return 1; }; }
absent() { [ ! -e "$1" ] || { echo "  still there: $1" >&2; return 1; }; }
same_file() { cmp -s "$1" "$2" || { echo "  $2 differs from $1" >&2; return 1; }; }

root_unchanged() {
    local now
    now=$(cd "$root" && find . -printf '%p %m %s %T@\n' | LC_ALL=C sort)
    [ "$now" = "$root_listing" ] || { echo "  the unpacked root changed:" >&2; diff <(echo "$root_listing") <(echo "$now") >&2; return 1; }
}
root_listing=$(cd "$root" && find . -printf '%p %m %s %T@\n' | LC_ALL=C sort)

################################################################################################################
echo "== No links shipped: a link saved through the editor lives in ~/.local/share =="
new_home "$work/home"
links="$home/.local/share/brimvel/links/plink.dat"
name="Saved from the package"
address="http://saved.example/package?q=1"

require "the unpacked program starts from usr/bin/brimvel, docked at the right edge" start_program
check "the first start makes no links folder yet" absent "$home/.local/share/brimvel"
require "a link saved through the editor (light, address, name, OK)" save_link 0 "$name" "$address"
check "the link is in ~/.local/share/brimvel/links/plink.dat, made with its folder" \
    wait_for 50 file_holds "$links" "$name" "$address" 0
check "the link file belongs to the user" owned_by_user "$links"
check "the program writes its preferences in ~/.config" test -f "$home/.config/Brimvel-Blue.conf"
check "program stops" stop_program
cp "$links" "$work/links.saved"

require "the program starts again" start_program
check "the restarted tab opens the saved link from its button" link_opens 0 "$address"
check "program stops" stop_program
check "the link file is as the save left it" same_file "$work/links.saved" "$links"
check "nothing in the unpacked root changed" root_unchanged

################################################################################################################
echo "== Links shipped in the program folder, XDG_DATA_HOME set: copied once, never over the user's =="
chmod -R u+w "$root"
mkdir -p "$program_folder/data/links"
shipped_address="http://shipped.example/"
printf '[0]\nname1=Shipped link\nurl1=%s\n' "$shipped_address" >"$program_folder/data/links/plink.dat"
chmod -R a-w "$root"
root_listing=$(cd "$root" && find . -printf '%p %m %s %T@\n' | LC_ALL=C sort)
new_home "$work/second home" "$work/second home/my data"
links="$data_home/brimvel/links/plink.dat"

require "the program starts with the shipped links" start_program
check "the first start copies the shipped links into XDG_DATA_HOME" \
    same_file "$program_folder/data/links/plink.dat" "$links"
check "the copy belongs to the user" owned_by_user "$links"
check "nothing is written into ~/.local/share when XDG_DATA_HOME is set" absent "$home/.local/share"
check "the shipped link opens from its button" link_opens 1 "$shipped_address"
check "a link saved through the editor beside the shipped one" save_link 2 "Mine" "http://mine.example/"
check "the file holds the saved link" wait_for 50 file_holds "$links" "Mine" "http://mine.example/" 2
check "and still the shipped one" file_holds "$links" "Shipped link" "$shipped_address" 1
check "program stops" stop_program

# The user empties slot 1 by hand; the shipped file must not come back on the next start.
python3 - "$links" <<'PY'
import sys
path = sys.argv[1]
lines = [l for l in open(path, encoding="utf-8") if not l.lower().startswith(("name1=", "url1="))]
open(path, "w", encoding="utf-8").writelines(lines)
PY
cp "$links" "$work/links.saved"
require "the program starts again" start_program
check "the restarted tab opens the saved link" link_opens 2 "http://mine.example/"
check "program stops" stop_program
check "later starts never copy the shipped links over the user's file" same_file "$work/links.saved" "$links"
check "nothing in the unpacked root changed" root_unchanged

finish
