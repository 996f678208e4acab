#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the built program for the current user, with its desktop entry and icon:
#
#   scripts/install.sh [BUILD_DIR]          (what `make install` runs; BUILD_DIR defaults to build)
#
#   $XDG_DATA_HOME/brimvel/                 the program folder: brimvel, data/sounds/, data/links/
#   ~/.local/bin/brimvel                    a launcher that starts the installed program
#   $XDG_DATA_HOME/applications/brimvel.desktop
#   $XDG_DATA_HOME/icons/hicolor/NxN[@2]/apps/brimvel.png
#   $XDG_CONFIG_HOME/autostart/brimvel.desktop   with AUTOSTART=1 (AUTOSTART=0 removes it; unset keeps what
#                                                an earlier install chose)
#
# The program keeps its links in data/links/plink.dat inside its own folder, so an install never writes that
# file: installing over an earlier install replaces the program and its sounds and keeps the user's links.
# Every file and folder this adds is listed in the program folder's .installed, which scripts/uninstall.sh
# reads to remove exactly those.
set -euo pipefail

die() { echo "install.sh: $*" >&2; exit 1; }

build=${1:-build}
autostart=${AUTOSTART:-}
case "$autostart" in
    '' | 0 | 1) ;;
    *) die "AUTOSTART must be 1 (start at log-in) or 0 (do not), not '$autostart'" ;;
esac
here=$(cd "$(dirname "$0")/.." && pwd)
template="$here/packaging/brimvel.desktop.in"

[ -n "${HOME:-}" ] || die "HOME is not set"
[ -x "$build/brimvel" ] || die "no built program at $build/brimvel (build it first: make build)"
[ -d "$build/data/sounds" ] || die "no sounds at $build/data/sounds (build the brimvel target first)"
[ -f "$template" ] || die "missing $template"
build=$(cd "$build" && pwd)

# shellcheck source=install-paths.sh
. "$here/scripts/install-paths.sh"
bin_dir="$HOME/.local/bin"
launcher="$bin_dir/brimvel"
apps_dir="$data_home/applications"
hicolor="$data_home/icons/hicolor"
autostart_entry="$config_home/autostart/brimvel.desktop"

# The manifest: one entry a line, "<kind> <absolute path>". Kinds: f a file this installed, d a folder this
# created, c a cache file a desktop tool created because of this install.
declare -a old_files=() old_dirs=() old_caches=()
if [ -f "$manifest" ]; then
    while read -r kind path; do
        case "$kind" in
            f) old_files+=("$path") ;;
            d) old_dirs+=("$path") ;;
            c) old_caches+=("$path") ;;
        esac
    done <"$manifest"
fi
declare -a files=() dirs=() caches=()

contains() { # needle, haystack...
    local needle=$1 item; shift
    for item in "$@"; do [ "$item" = "$needle" ] && return 0; done
    return 1
}

# Writes the manifest on every exit, so that even an install that stopped half-way can be undone. A finished
# install lists only what it installed this time; an unfinished one also keeps the earlier entries.
finished=0
write_manifest() {
    [ -d "$prefix" ] || return 0
    local tmp="$manifest.tmp.$$" path
    {
        for path in "${old_dirs[@]}" "${dirs[@]}"; do
            [ -d "$path" ] && printf 'd %s\n' "$path"
        done
        for path in "${old_caches[@]}" "${caches[@]}"; do
            [ -e "$path" ] && printf 'c %s\n' "$path"
        done
        for path in "${files[@]}"; do printf 'f %s\n' "$path"; done
        if [ "$finished" -eq 0 ]; then
            for path in "${old_files[@]}"; do
                contains "$path" "${files[@]}" || { [ -e "$path" ] && printf 'f %s\n' "$path"; }
            done
        fi
    } | awk '!seen[$0]++' >"$tmp" && mv -f "$tmp" "$manifest"
}
trap write_manifest EXIT

# Creates a folder and each missing parent, remembering the ones it created.
make_dir() {
    local dir=$1 missing=()
    while [ ! -d "$dir" ]; do
        missing=("$dir" "${missing[@]}")
        dir=$(dirname "$dir")
    done
    for dir in "${missing[@]}"; do
        mkdir "$dir"
        dirs+=("$dir")
    done
}

# Puts a file in place through a temporary name and a rename, so a running copy of the program is never
# written over (and keeps running from the old file).
put_file() { # source, destination, mode
    local src=$1 dest=$2 mode=$3
    make_dir "$(dirname "$dest")"
    [ "$dest" = "$links_file" ] && die "refusing to write over the links file $links_file"
    local tmp="$dest.tmp.$$"
    cp "$src" "$tmp"
    chmod "$mode" "$tmp"
    mv -f "$tmp" "$dest"
    files+=("$dest")
}

put_text() { # text, destination, mode
    local text=$1 dest=$2 mode=$3 src
    src=$(mktemp)
    printf '%s\n' "$text" >"$src"
    put_file "$src" "$dest" "$mode" || { rm -f "$src"; return 1; }
    rm -f "$src"
}

# A path as one argument of a desktop entry's Exec key: quoted when it holds anything but plain characters,
# with the quoting rules' own escapes, then the string escapes of the entry file (each backslash doubled) and
# "%%" for a literal percent sign.
exec_argument() {
    local path=$1
    if [[ "$path" =~ ^[A-Za-z0-9/._+-]+$ ]]; then
        printf '%s' "$path"
        return
    fi
    local quoted=$path
    quoted=${quoted//\\/\\\\}
    quoted=${quoted//\"/\\\"}
    quoted=${quoted//\`/\\\`}
    quoted=${quoted//\$/\\\$}
    quoted="\"$quoted\""
    quoted=${quoted//\\/\\\\}
    quoted=${quoted//%/%%}
    printf '%s' "$quoted"
}

# A path as one word of an sh script: single-quoted, with each single quote closed, escaped and reopened.
sh_word() { printf "'%s'" "${1//\'/\'\\\'\'}"; }

# A desktop tool writes its cache into the folder; a cache that was not there before belongs to this install.
refresh_cache() { # tool, folder, cache file name, tool arguments...
    local tool=$1 folder=$2 cache="$2/$3"; shift 3
    command -v "$tool" >/dev/null 2>&1 || return 0
    [ -d "$folder" ] || return 0
    local existed=0
    [ -e "$cache" ] && existed=1
    "$tool" "$@" "$folder" >/dev/null 2>&1 || echo "install.sh: note: $tool $folder failed; carrying on" >&2
    if [ "$existed" -eq 0 ] && [ -e "$cache" ]; then caches+=("$cache"); fi
}

echo "Installing Brimvel into $prefix"

# The program folder.
make_dir "$prefix"
put_file "$build/brimvel" "$prefix/brimvel" 755
for sound in "$build"/data/sounds/*; do
    [ -f "$sound" ] && put_file "$sound" "$prefix/data/sounds/$(basename "$sound")" 644
done
make_dir "$prefix/data/links"
if [ -e "$links_file" ]; then
    echo "  keeping your links in $links_file"
fi

# The launcher: an sh script rather than a symlink, so the program's folder never depends on how the link is
# resolved, and the script stays readable for whoever opens it.
put_text "#!/bin/sh
# Starts Brimvel, installed by its make install; make uninstall removes this.
exec $(sh_word "$prefix/brimvel") \"\$@\"" "$launcher" 755

# The desktop entry, and the autostart entry when asked for (or kept from an earlier install).
entry=$(<"$template")
entry=${entry//@EXEC@/"$(exec_argument "$launcher")"}
put_text "$entry" "$apps_dir/brimvel.desktop" 644
want_autostart=$autostart
if [ -z "$want_autostart" ]; then
    want_autostart=0
    contains "$autostart_entry" "${old_files[@]}" && [ -e "$autostart_entry" ] && want_autostart=1
fi
if [ "$want_autostart" = 1 ]; then
    put_text "$entry" "$autostart_entry" 644
    echo "  Brimvel starts at every log-in (undo with: make install AUTOSTART=0)"
fi

# The icon in the hicolor theme, at 1x and at 2x (a 2x folder holds the picture of twice its size).
for size in 16 32 48 64 128 256; do
    put_file "$build/assets/icon_$size.png" "$hicolor/${size}x${size}/apps/brimvel.png" 644
done
for size in 16 32 64 128; do
    put_file "$build/assets/icon_$((size * 2)).png" "$hicolor/${size}x${size}@2/apps/brimvel.png" 644
done
# No 96-pixel picture is drawn; it is scaled down from the 256-pixel one when ImageMagick is at hand.
if command -v convert >/dev/null 2>&1; then
    scaled=$(mktemp --suffix=.png)
    if convert "$build/assets/icon_256.png" -filter Lanczos -resize 96x96 -strip "PNG32:$scaled"; then
        put_file "$scaled" "$hicolor/48x48@2/apps/brimvel.png" 644
    fi
    rm -f "$scaled"
else
    echo "  note: ImageMagick's convert is missing, so the icon has no 48x48@2 size"
fi

# What an earlier install put in place and this one did not (an autostart entry turned off) goes now.
for path in "${old_files[@]}"; do
    contains "$path" "${files[@]}" && continue
    [ "$path" = "$links_file" ] && continue
    rm -f "$path"
    dir=$(dirname "$path")
    while contains "$dir" "${old_dirs[@]}" && rmdir "$dir" 2>/dev/null; do dir=$(dirname "$dir"); done
done

refresh_cache gtk-update-icon-cache "$hicolor" icon-theme.cache -q -f -t
refresh_cache update-desktop-database "$apps_dir" mimeinfo.cache -q

finished=1
write_manifest
trap - EXIT

echo "Installed: $launcher, $apps_dir/brimvel.desktop"
case ":$PATH:" in
    *":$bin_dir:"*) ;;
    *) echo "  note: $bin_dir is not on your PATH; the desktop entry starts Brimvel all the same" ;;
esac
