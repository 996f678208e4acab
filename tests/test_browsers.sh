#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The tab with a real browser, in a network namespace with loopback only, inside the test desktop
# (tests/desktop.sh): links opened from the tab reach the browser, and links dragged from the browser's page and
# address bar land on the tab; what is not an address is refused.
#
#   tests/test_browsers.sh firefox|chromium BUILD_FOLDER
#
# Everything runs in one network namespace of its own (unshare -n, with only "lo" up): a web server that logs
# every request with its User-Agent, a private D-Bus session, the browser with a fresh profile and its
# background networking switched off, and the program, whose xdg-open hands each address to that browser.
# Drags move the pointer through XTest in small steps, as a hand does. Rows run in order; the first failure
# is reported and the rest still run.
set -u
browser=${1:?firefox or chromium}
build=$(cd "${2:?build folder}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)

if [ -z "${BRIMVEL_IN_NETNS:-}" ]; then
    exec unshare -n env BRIMVEL_IN_NETNS=1 "$0" "$@"
fi
ip link set lo up || { echo "cannot bring up loopback in the namespace"; exit 1; }
if ip -o link | grep -v ' lo:' | grep -q .; then
    echo "the namespace has links besides loopback"
    exit 1
fi

work=$(mktemp -d "${BRIMVEL_DESKTOP:-/tmp}/browsers.XXXXXX")
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    pkill -f "$work/profile" 2>/dev/null
    sleep 0.5
    pkill -9 -f "$work/profile" 2>/dev/null
    for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null; done
}
trap cleanup EXIT

wait_for() { # seconds, command...
    local limit=$(($1 * 10))
    shift
    for _ in $(seq "$limit"); do "$@" >/dev/null 2>&1 && return 0; sleep 0.1; done
    return 1
}

# ---- the surroundings ----
dbus-daemon --session --fork --address="unix:path=$work/bus" --print-pid=3 3>"$work/bus.pid" >/dev/null
pids+=("$(cat "$work/bus.pid")")
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/bus"

requests="$work/requests.log"
: >"$requests"
python3 "$here/browsers/server.py" 8765 "$requests" &
pids+=($!)
wait_for 20 python3 -c 'import urllib.request; urllib.request.urlopen("http://127.0.0.1:8765/ping")' ||
    { echo "the web server did not start"; exit 1; }
: >"$requests"

profile="$work/profile"
mkdir -p "$profile"
case "$browser" in
firefox)
    cp "$here/browsers/firefox-user.js" "$profile/user.js"
    start_browser=(firefox-esr --profile "$profile")
    agent=Firefox/
    site_icon=(238 83) # the site's icon at the left of the address bar, in the maximised window
    ;;
chromium)
    # As root the browser's own sandbox cannot run; the network namespace keeps it off the network.
    start_browser=(chromium --no-sandbox --no-first-run --no-default-browser-check --disable-background-networking
        --disable-component-update --disable-sync --disable-domain-reliability --disable-breakpad
        --disable-features=Translate,OptimizationHints,MediaRouter --password-store=basic --disable-gpu
        --user-data-dir="$profile" --start-maximized)
    agent=Chrome/
    site_icon=(137 63)
    ;;
*) echo "unknown browser $browser"; exit 1 ;;
esac

# The program's xdg-open: records the address, then hands it to the running browser.
bin="$work/bin"
mkdir -p "$bin"
{
    echo '#!/bin/sh'
    echo "printf '%s\\n' \"\$*\" >>\"$work/opened.log\""
    printf 'exec'
    printf ' %q' "${start_browser[@]}"
    echo ' "$@" >/dev/null 2>&1'
} >"$bin/xdg-open"
chmod +x "$bin/xdg-open"
export PATH="$bin:$PATH"

"${start_browser[@]}" "http://127.0.0.1:8765/drop.html" >"$work/browser.log" 2>&1 &
browser_pid=$!
pids+=("$browser_pid")
page_window() { xdotool search --onlyvisible --name 'Drop' | head -1; }
# A fresh profile's first start is slow, and slower still with the cores busy: the wait lasts as long as the
# browser runs (ctest's time limit stands guard against a hang), and fails at once when it has ended.
until xdotool search --onlyvisible --name 'Drop' 2>/dev/null | grep -q .; do
    kill -0 "$browser_pid" 2>/dev/null ||
        { echo "the browser ended without showing the page"; tail -20 "$work/browser.log"; exit 1; }
    sleep 0.2
done
window=$(page_window)
xdotool windowactivate --sync "$window" 2>/dev/null
sleep 2
[ -n "${BROWSER_TEST_SHOTS:-}" ] && import -window root "$BROWSER_TEST_SHOTS/$browser-page.png"

# ---- the program ----
program="$work/program"
mkdir -p "$program/data/links" "$program/data/sounds"
cp "$build/brimvel" "$program/"
cp "$build/data/sounds/"*.wav "$program/data/sounds/"
links="$program/data/links/plink.dat"
program_pid=
start_program() { # link file text
    stop_program
    printf '%s' "$1" >"$links"
    "$program/brimvel" >>"$work/program.log" 2>&1 &
    program_pid=$!
    wait_for 10 sh -c "xdotool search --onlyvisible --name '^Brimvel-Blue\$' | grep -q ."
    sleep 0.5
}
stop_program() {
    [ -n "$program_pid" ] || return 0
    kill "$program_pid" 2>/dev/null
    wait "$program_pid" 2>/dev/null
    program_pid=
}

tab_geometry() { # prints "x y width height" of the tab window
    local id
    id=$(xdotool search --onlyvisible --name '^Brimvel-Blue$' | head -1)
    [ -n "$id" ] && xwininfo -id "$id" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4}
        /Width:/{w=$2} /Height:/{h=$2} END{print x, y, w, h}'
}
tab_open() { local g; g=$(tab_geometry); [ -n "$g" ] && set -- $g && [ "$1" -lt 1200 ] && [ "$4" -gt 250 ]; }
# The link editor: the program's window of its size (it is titled like the tab).
editor_window() {
    xdotool search --onlyvisible --name '^Brimvel$' | while read -r w; do
        xwininfo -id "$w" | awk '/Width:/{w=$2} /Height:/{h=$2} END{if (w>300 && w<500 && h<160) print "'"$w"'"}'
    done | head -1
}

step_to() { # x0 y0 x1 y1 steps: the pointer moves as a hand does, a few pixels at a time
    local i
    for i in $(seq 1 "$5"); do
        xdotool mousemove $(($1 + ($3 - $1) * i / $5)) $(($2 + ($4 - $2) * i / $5))
        sleep 0.015
    done
}
# Where the strip shows at the screen's right edge.
strip_point() { local g; g=$(tab_geometry); set -- $g; echo "$(($1 + $3 - 3)) $(($2 + 30))"; }
# The middle of link row N (1..10) of the open tab.
row_point() { local n=$1 g; g=$(tab_geometry); set -- $g; echo "$(($1 + 110)) $(($2 + 109 + 20 * (n - 1)))"; }

# A fresh program with an empty link file, its tab opened by a click on the strip.
start_open_tab() {
    start_program ''
    xdotool mousemove $(strip_point) click 1
    wait_for 10 tab_open || fail "the tab did not open for the drops onto it"
    sleep 0.5
}

failures=0
fail() { echo "FAIL ($browser): $*"; failures=$((failures + 1)); }
pass() { echo "ok ($browser): $*"; }

# ---- rows ----

# A click on a link of the tab opens it in this browser, percent-encoded as it should be.
row_click() {
    start_program $'[0]\nname0=Encoded\nurl0=http://127.0.0.1:8765/click/a b?q=\xc3\xbc\n'
    : >"$requests"
    local strip
    strip=$(strip_point)
    xdotool mousemove $strip click 1
    wait_for 10 tab_open || { fail "click: the tab did not open"; return; }
    sleep 0.5
    xdotool mousemove $(row_point 1) click 1
    if wait_for 20 grep -q '^/click/a%20b?q=%C3%BC' "$requests"; then
        if grep '^/click/' "$requests" | grep -q "$agent"; then
            pass "a link clicked on the tab reaches the browser, encoded"
        else
            fail "click: the request came from another program: $(grep '^/click/' "$requests")"
        fi
    else
        fail "click: no request reached the server (opened: $(cat "$work/opened.log" 2>/dev/null); requests: $(cat "$requests"))"
    fi
    xdotool windowactivate --sync "$(page_window)" 2>/dev/null
    xdotool key ctrl+w 2>/dev/null # the tab the link opened
    sleep 1
    window=$(page_window)
    xdotool windowactivate --sync "$window" 2>/dev/null
}

# Drags an item of the page from (x, y) along the way given, then lets go. The way is a list of steps:
# "strip" (to the retracted strip), "row N" (to link row N of the open tab), "wait S", or "X Y" (a point).
# Expects the editor with the given texts, saved with OK into the slot of the row it was let go on, or with
# "refused", no editor and the link file as it was.
drag_from() { # what x y expectation address title steps...
    local what=$1 x=$2 y=$3 expect=$4 address=$5 title=$6
    shift 6
    local before cx cy p slot=
    before=$(cat "$links")
    xdotool mousemove "$x" "$y"
    sleep 0.3
    xdotool mousedown 1
    sleep 0.2
    cx=$((x + 30))
    cy=$((y + 10))
    step_to "$x" "$y" "$cx" "$cy" 6
    while [ $# -gt 0 ]; do
        case "$1" in
        wait) sleep "$2"; shift 2; continue ;;
        strip) p=$(strip_point); shift ;;
        row) p=$(row_point "$2"); slot=$(($2 - 1)); shift 2 ;;
        *) p="$1 $2"; shift 2 ;;
        esac
        set -- $p "$@"
        step_to "$cx" "$cy" "$1" "$2" 50
        cx=$1
        cy=$2
        shift 2
    done
    xdotool mouseup 1
    if [ "$expect" = refused ]; then
        sleep 2
        if [ -n "$(editor_window)" ] || [ "$(cat "$links")" != "$before" ]; then
            fail "$what: taken, though it should be refused"
            import -window root "$work/$what.png" 2>/dev/null
        else
            pass "$what: refused"
        fi
        return
    fi
    local editor= ex ey
    for _ in $(seq 50); do
        editor=$(editor_window)
        [ -n "$editor" ] && break
        sleep 0.2
    done
    if [ -z "$editor" ]; then
        fail "$what: the drop was not taken (no editor)"
        import -window root "$work/$what.png" 2>/dev/null
        return
    fi
    sleep 0.5
    read -r ex ey < <(xwininfo -id "$editor" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4} END{print x, y}')
    [ -n "${BROWSER_TEST_SHOTS:-}" ] && import -window root "$BROWSER_TEST_SHOTS/editor.png" && echo "editor at $ex $ey"
    xdotool mousemove $((ex + 282)) $((ey + 62)) click 1 # OK
    if [ -z "$slot" ]; then # across the header: the row under the point where it was let go
        slot=$(( (cy - $(tab_geometry | cut -d' ' -f2) - 99) / 20 ))
    fi
    if wait_for 10 grep -qxF "url$slot=$address" "$links" && grep -qxF "name$slot=$title" "$links"; then
        pass "$what: dropped, saved as \"$title\" <$address>"
    else
        fail "$what: the link file holds $(tr '\n' ' ' <"$links") instead of \"$title\" <$address>"
        import -window root "$work/$what.png" 2>/dev/null
    fi
}


# The page's items, at the same place in both browsers: each is a large block (see browsers/drop.html), and the
# page begins 100 to 150 pixels down, under the browser's own bars.
link=(300 190)
mail=(300 350)
file=(300 510)
words=(300 720)
page_address='http://127.0.0.1:8765/linked/r%C3%A9sum%C3%A9?q=a%20b'

row_click

start_program ''
drag_from "a page link via the retracted strip" "${link[@]}" taken "$page_address" 'Zürich link «one»' \
    strip wait 2.5 row 3

start_open_tab
drag_from "a page link onto the open tab" "${link[@]}" taken "$page_address" 'Zürich link «one»' row 2

start_open_tab
read -r tx ty _ < <(tab_geometry)
drag_from "a page link across the header" "${link[@]}" taken "$page_address" 'Zürich link «one»' \
    $((tx + 100)) $((ty + 40)) $((tx + 100)) $((ty + 130))

start_open_tab
drag_from "the site icon of the address bar" "${site_icon[@]}" taken 'http://127.0.0.1:8765/drop.html' \
    'Zürich – «Drop» page' row 7

start_open_tab
drag_from "a mail link" "${mail[@]}" taken 'mailto:someone@mail.example' 'Write to someone' row 4

start_open_tab
drag_from "a file link" "${file[@]}" refused '' '' row 5

start_open_tab
xdotool mousemove "${words[@]}" click --repeat 2 --delay 120 1 # selects one word
sleep 0.5
drag_from "a selected word" "${words[@]}" refused '' '' row 6

stop_program
[ "$failures" -eq 0 ] || { echo "$failures row(s) failed ($browser); the session folder was $work"; exit 1; }
echo "all rows passed ($browser)"
