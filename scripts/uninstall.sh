#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Removes what scripts/install.sh added for the current user (what `make uninstall` runs), as listed in the
# program folder's .installed. The user's links (data/links/plink.dat in the program folder) and preferences
# ($XDG_CONFIG_HOME/Brimvel-Blue.conf) stay; a folder goes only when nothing is left in it.
set -euo pipefail

die() { echo "uninstall.sh: $*" >&2; exit 1; }

[ -n "${HOME:-}" ] || die "HOME is not set"
# shellcheck source=install-paths.sh
. "$(dirname "$0")/install-paths.sh"
# Never removed, whatever the manifest says.
keep=("$links_file" "$config_home/Brimvel-Blue.conf")

if [ ! -f "$manifest" ]; then
    echo "Brimvel is not installed in $prefix (no $manifest); nothing to remove."
    exit 0
fi

declare -a files=() dirs=() caches=()
while read -r kind path; do
    case "$path" in /*) ;; *) continue ;; esac
    case "$kind" in
        f) files+=("$path") ;;
        d) dirs+=("$path") ;;
        c) caches+=("$path") ;;
    esac
done <"$manifest"

kept() {
    local path
    for path in "${keep[@]}"; do [ "$1" = "$path" ] && return 0; done
    return 1
}

echo "Removing Brimvel from $prefix"
for path in "${files[@]}"; do
    kept "$path" && continue
    if [ -f "$path" ] || [ -L "$path" ]; then rm -f "$path"; fi
done
rm -f "$manifest"

# The folders the install created, deepest first, each only when empty.
remove_empty_dirs() {
    local dir
    while IFS= read -r dir; do
        if [ -n "$dir" ]; then rmdir "$dir" 2>/dev/null || true; fi
    done < <(printf '%s\n' "${dirs[@]}" | awk '{ print length($0) "\t" $0 }' | sort -rn | cut -f2-)
}

# A cache that a desktop tool made because of the install goes with it (the desktop reads the folder itself
# when there is none, as it did before the install); a cache that was there before is brought up to date.
for cache in "${caches[@]}"; do
    if [ -f "$cache" ]; then rm -f "$cache"; fi
done
remove_empty_dirs

refresh() { # tool, folder, cache file name, tool arguments...
    local tool=$1 folder=$2 cache="$2/$3"; shift 3
    command -v "$tool" >/dev/null 2>&1 || return 0
    [ -e "$cache" ] || return 0
    "$tool" "$@" "$folder" >/dev/null 2>&1 || echo "uninstall.sh: note: $tool $folder failed" >&2
}
refresh gtk-update-icon-cache "$data_home/icons/hicolor" icon-theme.cache -q -f -t
refresh update-desktop-database "$data_home/applications" mimeinfo.cache -q

if [ -e "${keep[0]}" ]; then
    echo "Kept your links: ${keep[0]}"
fi
if [ -e "${keep[1]}" ]; then
    echo "Kept your preferences: ${keep[1]}"
fi
echo "Brimvel is uninstalled."
