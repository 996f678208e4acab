#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The per-user install, end to end, in throw-away home folders on the test desktop (run it inside
# tests/desktop.sh, which provides DISPLAY):
#
#   tests/test_install.sh BUILD_DIR
#
# Installs the built program, starts it through the installed desktop entry's command and looks for its window,
# upgrades over an install whose links were edited, turns the autostart entry on and off, uninstalls and checks
# that exactly the user's links and preferences are left. The last line says "N passed, N failed".
# The checks are functions that check() and require() call by name.
# shellcheck disable=SC2317,SC2016
set -u

build_arg=${1:?usage: tests/test_install.sh BUILD_DIR}
build=$(cd "$build_arg" 2>/dev/null && pwd) || { echo "test_install: no build folder $build_arg" >&2; exit 2; }
src=$(cd "$(dirname "$0")/.." && pwd)
[ -x "$build/brimvel" ] || { echo "test_install: build the program first ($build/brimvel is missing)" >&2; exit 2; }
[ -n "${DISPLAY:-}" ] || { echo "test_install: no DISPLAY; run it inside tests/desktop.sh" >&2; exit 2; }

work=$(mktemp -d /tmp/brimvel-install.XXXXXX)
# The installs below choose their own options, whatever the make or shell that started this one was given.
unset AUTOSTART MAKEFLAGS MFLAGS MAKELEVEL
# Caches that the libraries of a running program may write (fonts, shaders) are not part of the install.
export XDG_CACHE_HOME="$work/cache"
program_pid=
cleanup() {
    if [ -n "$program_pid" ]; then kill "$program_pid" 2>/dev/null; wait "$program_pid" 2>/dev/null; fi
    rm -rf "$work"
}
trap cleanup EXIT

. "$(dirname "$0")/shell-checks.sh"

have_validator=0
command -v desktop-file-validate >/dev/null 2>&1 && have_validator=1
[ "$have_validator" -eq 1 ] || echo "note: desktop-file-validate is missing (package desktop-file-utils); entries are not validated"

run_install() { # extra make arguments...
    make -s -C "$src" -o build install BUILD="$build" "$@" >"$work/install.log" 2>&1 || {
        cat "$work/install.log" >&2
        return 1
    }
}
run_uninstall() {
    make -s -C "$src" uninstall >"$work/uninstall.log" 2>&1 || {
        cat "$work/uninstall.log" >&2
        return 1
    }
}

# Every path under the given folders, relative to $HOME, one a line.
snapshot() { (cd "$HOME" && find . -mindepth 1 | LC_ALL=C sort); }

# Reads the Exec key of a desktop entry into the array exec_words, undoing the string escapes of the entry file
# and then the quoting of the Exec key, as a desktop does before starting the program.
read_exec() { # entry file
    local line
    line=$(grep -m1 '^Exec=' "$1") || return 1
    mapfile -t -d '' exec_words < <(python3 - "${line#Exec=}" <<'PY'
import sys
value = sys.argv[1]
unescaped, i = [], 0
while i < len(value):
    c = value[i]
    if c == "\\" and i + 1 < len(value):
        n = value[i + 1]
        unescaped.append({"s": " ", "n": "\n", "t": "\t", "r": "\r", "\\": "\\"}.get(n, "\\" + n))
        i += 2
    else:
        unescaped.append(c)
        i += 1
text = "".join(unescaped)
words, word, quoted, started, i = [], [], False, False, 0
while i < len(text):
    c = text[i]
    if c == "%":
        # "%%" is a percent sign, inside quotes too; any other field code expands to nothing here, as the
        # desktop passes no file names.
        if i + 1 < len(text) and text[i + 1] == "%":
            word.append("%"); started = True
        i += 2
        continue
    if quoted:
        if c == "\\" and i + 1 < len(text) and text[i + 1] in '"`$\\':
            word.append(text[i + 1]); i += 1
        elif c == '"':
            quoted = False
        else:
            word.append(c)
    elif c == '"':
        quoted = started = True
    elif c == " ":
        if started:
            words.append("".join(word)); word, started = [], False
    else:
        word.append(c); started = True
    i += 1
if quoted:
    sys.exit("unterminated quote in Exec")
if started:
    words.append("".join(word))
sys.stdout.write("".join(w + "\0" for w in words))
PY
    )
    [ "${#exec_words[@]}" -gt 0 ]
}

entry_key() { # file key: the value of the key in the [Desktop Entry] group
    awk -v key="$2" -F= '/^\[/{ group = $0 } group == "[Desktop Entry]" && $1 == key { sub(/^[^=]*=/, ""); print; exit }' "$1"
}

validate_entry() { # file
    [ "$have_validator" -eq 1 ] || return 0
    desktop-file-validate --no-hints "$1" >"$work/validate.log" 2>&1 || { cat "$work/validate.log" >&2; return 1; }
}

entry_fields_right() { # file launcher
    local file=$1 launcher=$2 key want got ok=0
    for pair in "Type=Application" "Name=Brimvel" "Icon=brimvel" "Categories=Utility;Network;"; do
        key=${pair%%=*}; want=${pair#*=}
        got=$(entry_key "$file" "$key")
        [ "$got" = "$want" ] || { echo "  $file: $key is '$got', expected '$want'" >&2; ok=1; }
    done
    [ -n "$(entry_key "$file" Comment)" ] || { echo "  $file: no Comment" >&2; ok=1; }
    read_exec "$file" || { echo "  $file: unreadable Exec" >&2; return 1; }
    [ "${#exec_words[@]}" -eq 1 ] && [ "${exec_words[0]}" = "$launcher" ] || {
        echo "  $file: Exec gives (${exec_words[*]}), expected the launcher $launcher" >&2
        ok=1
    }
    return $ok
}

# Each icon folder holds the picture of its size (twice it in an @2 folder).
icons_right() { # hicolor folder
    local folder=$1 size scale dir ok=0 dims
    for dir in 16x16 32x32 48x48 64x64 128x128 256x256 16x16@2 32x32@2 48x48@2; do
        size=${dir%%x*}
        scale=1
        [[ "$dir" == *@2 ]] && scale=2
        if [ ! -f "$folder/$dir/apps/brimvel.png" ]; then
            echo "  missing $folder/$dir/apps/brimvel.png" >&2; ok=1; continue
        fi
        dims=$(identify -format '%wx%h' "$folder/$dir/apps/brimvel.png" 2>/dev/null)
        [ "$dims" = "$((size * scale))x$((size * scale))" ] || {
            echo "  $folder/$dir/apps/brimvel.png is $dims, expected $((size * scale))x$((size * scale))" >&2
            ok=1
        }
    done
    return $ok
}

# Starts the program the way the desktop would, through the entry's Exec, and waits for its window.
window_id=
start_from_entry() { # entry file, installed executable
    read_exec "$1" || return 1
    "${exec_words[@]}" >"$work/program.log" 2>&1 &
    program_pid=$!
    window_id=$(tab_window_of_program) || return 1
    # The launcher execs the program, so the started process is the installed executable itself.
    local exe
    exe=$(readlink "/proc/$program_pid/exe")
    [ "$exe" = "$2" ] || { echo "  the running program is $exe, expected $2" >&2; return 1; }
}

stop_program() {
    [ -n "$program_pid" ] || return 0
    # Let the start-up's preference writes finish first: a write cut short leaves its lock and temporary
    # files beside the preferences, which would read as files left behind.
    local config=${XDG_CONFIG_HOME:-$HOME/.config} leftovers
    for _ in $(seq 50); do
        leftovers=$(find "$config" -maxdepth 1 -name 'Brimvel-Blue.conf?*' -print -quit 2>/dev/null)
        [ -f "$config/Brimvel-Blue.conf" ] && [ -z "$leftovers" ] && break
        sleep 0.1
    done
    kill "$program_pid" 2>/dev/null
    wait "$program_pid" 2>/dev/null
    program_pid=
    # The window must be gone before another copy starts, or that copy sees it and ends at once.
    for _ in $(seq 50); do
        [ -z "$(xdotool search --name '^Brimvel-Blue$' 2>/dev/null)" ] && return 0
        sleep 0.1
    done
    echo "  the window \"Brimvel-Blue\" stayed after the program ended" >&2
    return 1
}

same_file() { cmp -s "$1" "$2" || { echo "  $2 differs from $1" >&2; return 1; }; }
exists() { [ -e "$1" ] || { echo "  missing $1" >&2; return 1; }; }
refuses() { ! "$@" >/dev/null 2>&1; }
absent() { [ ! -e "$1" ] || { echo "  still there: $1" >&2; return 1; }; }

manifest_paths() { # manifest: the files it lists
    sed -n 's/^f //p' "$1"
}
all_listed_gone() { # saved manifest
    local path ok=0
    while IFS= read -r path; do
        [ -e "$path" ] && { echo "  still there: $path" >&2; ok=1; }
    done < <(manifest_paths "$1")
    return $ok
}
only_expected_left() { # before snapshot, after snapshot, allowed additions file
    local extra missing
    extra=$(LC_ALL=C comm -13 "$1" "$2" | LC_ALL=C comm -23 - "$3")
    missing=$(LC_ALL=C comm -23 "$1" "$2")
    [ -z "$extra" ] || { echo "  left behind:" >&2; sed 's/^/    /' <<<"$extra" >&2; }
    [ -z "$missing" ] || { echo "  removed though not installed:" >&2; sed 's/^/    /' <<<"$missing" >&2; }
    [ -z "$extra" ] && [ -z "$missing" ]
}

################################################################################################################
echo "== A home folder with a space in its name, default XDG folders =="
export HOME="$work/home dir"
mkdir -p "$HOME"
unset XDG_DATA_HOME XDG_CONFIG_HOME XDG_DATA_DIRS
prefix="$HOME/.local/share/brimvel"
launcher="$HOME/.local/bin/brimvel"
entry="$HOME/.local/share/applications/brimvel.desktop"
autostart="$HOME/.config/autostart/brimvel.desktop"
links="$prefix/data/links/plink.dat"
settings="$HOME/.config/Brimvel-Blue.conf"

# Another program's files in the same folders, which neither install nor uninstall may touch.
mkdir -p "$HOME/.local/bin" "$HOME/.local/share/applications"
printf '#!/bin/sh\necho other\n' >"$HOME/.local/bin/other-tool"
printf '[Desktop Entry]\nType=Application\nName=Other\nExec=other-tool\n' \
    >"$HOME/.local/share/applications/other.desktop"
snapshot >"$work/before.txt"

require "install into an empty home" run_install
check "program folder holds the executable and its sounds" \
    bash -c 'for f in brimvel data/sounds/button.wav data/sounds/scroll.wav data/sounds/min.wav; do
        cmp -s "$1/$f" "$2/$f" || { echo "  $2/$f is not the built $f" >&2; exit 1; }; done
        [ -x "$2/brimvel" ] && [ -d "$2/data/links" ]' _ "$build" "$prefix"
check "an install writes no links file" absent "$links"
check "launcher is executable" test -x "$launcher"
check "desktop entry passes desktop-file-validate" validate_entry "$entry"
check "desktop entry names Brimvel, its icon, categories and the launcher" entry_fields_right "$entry" "$launcher"
check "icon at every size in hicolor, 1x and 2x" icons_right "$HOME/.local/share/icons/hicolor"
check "no autostart entry without AUTOSTART=1" absent "$autostart"
check "manifest lists what was installed" bash -c '
    for f in "$@"; do grep -qxF "f $f" "$0" || { echo "  not in the manifest: $f" >&2; exit 1; }; done' \
    "$prefix/.installed" "$prefix/brimvel" "$launcher" "$entry" \
    "$HOME/.local/share/icons/hicolor/48x48@2/apps/brimvel.png"

require "program starts from the desktop entry's command and shows \"Brimvel-Blue\"" \
    start_from_entry "$entry" "$prefix/brimvel"
check "program stops" stop_program
check "the program kept its preferences in XDG_CONFIG_HOME" exists "$settings"

# Upgrade: the user's links stay, the program and its sounds are replaced.
cat >"$links" <<'EOF'
[0]
name0=Example
url0=http://example.org/
name1=Second link
url1=http://example.net/path?q=1
EOF
cp "$links" "$work/links.saved"
echo "stale" >"$prefix/data/sounds/scroll.wav"
echo "stale" >"$prefix/brimvel"
require "install again over the earlier install" run_install
check "upgrade keeps the user's links" same_file "$work/links.saved" "$links"
check "upgrade replaces the executable" same_file "$build/brimvel" "$prefix/brimvel"
check "upgrade replaces the sounds" same_file "$build/data/sounds/scroll.wav" "$prefix/data/sounds/scroll.wav"
check "links file is not in the manifest" bash -c '! grep -qF "/data/links/plink.dat" "$0"' "$prefix/.installed"

require "upgraded program starts from the desktop entry" start_from_entry "$entry" "$prefix/brimvel"
check "upgraded program stops" stop_program
check "links survive a run of the upgraded program" same_file "$work/links.saved" "$links"

# Autostart: on with AUTOSTART=1, kept by a plain install, off with AUTOSTART=0.
require "install with AUTOSTART=1" run_install AUTOSTART=1
check "autostart entry written to XDG_CONFIG_HOME/autostart" exists "$autostart"
check "autostart entry passes desktop-file-validate" validate_entry "$autostart"
check "autostart entry starts the launcher" entry_fields_right "$autostart" "$launcher"
require "plain install after AUTOSTART=1" run_install
check "a plain install keeps the autostart entry" exists "$autostart"
require "install with AUTOSTART=0" run_install AUTOSTART=0
check "AUTOSTART=0 removes the autostart entry and its folder" absent "$HOME/.config/autostart"
check "AUTOSTART=0 keeps the preferences" exists "$settings"
check "AUTOSTART with another value is refused" refuses env AUTOSTART=yes "$src/scripts/install.sh" "$build"
require "install with AUTOSTART=1 once more" run_install AUTOSTART=1

# Uninstall.
cp "$prefix/.installed" "$work/manifest.saved"
cp "$settings" "$work/settings.saved"
require "uninstall" run_uninstall
snapshot >"$work/after.txt"
check "every file in the manifest is gone" all_listed_gone "$work/manifest.saved"
check "uninstall keeps the user's links" same_file "$work/links.saved" "$links"
check "uninstall keeps the preferences" same_file "$work/settings.saved" "$settings"
printf '%s\n' ./.config ./.config/Brimvel-Blue.conf ./.local/share/brimvel \
    ./.local/share/brimvel/data ./.local/share/brimvel/data/links ./.local/share/brimvel/data/links/plink.dat |
    LC_ALL=C sort >"$work/allowed.txt"
check "only the links and preferences are left, and the other program's files are untouched" \
    only_expected_left "$work/before.txt" "$work/after.txt" "$work/allowed.txt"
check "uninstall with nothing installed succeeds" run_uninstall

require "install again after an uninstall" run_install
check "a fresh install finds and keeps the earlier links" same_file "$work/links.saved" "$links"
require "uninstall again" run_uninstall
snapshot >"$work/after-again.txt"
check "the second uninstall leaves the same" same_file "$work/after.txt" "$work/after-again.txt"

################################################################################################################
echo "== XDG folders set, paths with quotes, dollar signs, percent signs and backslashes =="
export HOME="$work/it's \$HOME 100% \"q\" \\ here"
export XDG_DATA_HOME="$HOME/data \$HOME %f"
export XDG_CONFIG_HOME="$HOME/config \`x\`"
mkdir -p "$HOME"
snapshot >"$work/before.txt"
prefix="$XDG_DATA_HOME/brimvel"
launcher="$HOME/.local/bin/brimvel"
entry="$XDG_DATA_HOME/applications/brimvel.desktop"
autostart="$XDG_CONFIG_HOME/autostart/brimvel.desktop"

require "install with AUTOSTART=1 into the XDG folders" run_install AUTOSTART=1
check "program folder in XDG_DATA_HOME" same_file "$build/brimvel" "$prefix/brimvel"
check "nothing written to ~/.local/share or ~/.config when XDG folders are set" \
    bash -c '[ ! -e "$0/.local/share" ] && [ ! -e "$0/.config" ]' "$HOME"
check "desktop entry in XDG_DATA_HOME passes desktop-file-validate" validate_entry "$entry"
check "its Exec names the launcher despite the quoting" entry_fields_right "$entry" "$launcher"
check "autostart entry in XDG_CONFIG_HOME starts the launcher" entry_fields_right "$autostart" "$launcher"
check "icons in XDG_DATA_HOME" icons_right "$XDG_DATA_HOME/icons/hicolor"
require "program starts from this entry" start_from_entry "$entry" "$prefix/brimvel"
check "program stops" stop_program
require "uninstall from the XDG folders" run_uninstall
check "autostart entry gone" absent "$autostart"
snapshot >"$work/after.txt"
printf '%s\n' "./config \`x\`" "./config \`x\`/Brimvel-Blue.conf" | LC_ALL=C sort >"$work/allowed.txt"
check "only the preferences are left in the home and XDG folders" \
    only_expected_left "$work/before.txt" "$work/after.txt" "$work/allowed.txt"

finish
