#!/usr/bin/env bash
# Fails on a quoted include that runs against the direction of the layers:
#   core <- platform <- forms <- {tab, panel, links, web, shape} <- app
# A folder may include its own files and those of any folder to its left; the five subsystem folders never
# include one another. tests/ and bench/ may include anything.
# Usage: scripts/check-layers.sh [root]   (default: the repository this script belongs to)
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"

rank() {
    case "$1" in
    core) echo 0 ;;
    platform) echo 1 ;;
    forms) echo 2 ;;
    tab | panel | links | web | shape) echo 3 ;;
    app) echo 4 ;;
    *) echo "" ;;
    esac
}

status=0
while IFS= read -r -d '' file; do
    from=${file%%/*}
    from_rank=$(rank "$from")
    [ -n "$from_rank" ] || continue
    dir=$(dirname "$file")
    while IFS= read -r line; do
        target=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]+)".*/\1/' <<<"$line")
        # Resolve against the including file's folder first, then the repository root.
        resolved=$(realpath -m --relative-to=. "$dir/$target")
        [ -e "$resolved" ] || resolved=$(realpath -m --relative-to=. "$target")
        [ -e "$resolved" ] || continue
        to=${resolved%%/*}
        to_rank=$(rank "$to")
        [ -n "$to_rank" ] || continue
        if [ "$to" != "$from" ] && { [ "$to_rank" -gt "$from_rank" ] || [ "$to_rank" -eq "$from_rank" ]; }; then
            echo "$file: includes $resolved, against the layers (core <- platform <- forms <- {tab, panel, links, web, shape} <- app)" >&2
            status=1
        fi
    done < <(grep -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" || true)
done < <(git ls-files -z -- 'core/*' 'platform/*' 'forms/*' 'tab/*' 'panel/*' 'links/*' 'web/*' 'shape/*' 'app/*')
exit $status
