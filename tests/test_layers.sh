#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The layer check passes on the tree as it is and fails on an include planted against the layers: one that
# climbs (core including app), and one between two subsystems of the same level (tab including panel).
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

copy_tree() {
    rm -rf "$work/tree"
    mkdir -p "$work/tree"
    (cd "$source_dir" && git ls-files -z | xargs -0 cp --parents -t "$work/tree")
    git -C "$work/tree" init -q
    git -C "$work/tree" add -A
}

expect() { # expect pass|fail DESCRIPTION
    local want=$1 what=$2 got
    if "$source_dir/scripts/check-layers.py" "$work/tree" >"$work/out" 2>&1; then got=pass; else got=fail; fi
    if [ "$got" = "$want" ]; then
        echo "ok: $what"
    else
        echo "FAIL: $what (wanted $want, got $got)"
        cat "$work/out"
        failures=$((failures + 1))
    fi
}

copy_tree
expect pass "the tree as it is"

while IFS='|' read -r file include what; do
    copy_tree
    printf '#include "%s"\n' "$include" >>"$work/tree/$file"
    git -C "$work/tree" add -A
    expect fail "$what"
    grep -qF "$file" "$work/out" || { echo "FAIL: the report does not name $file"; failures=$((failures + 1)); }
done <<'CASES'
core/Paths.h|../app/frmMain.h|core including app
platform/Services.h|../forms/Form.h|platform including forms
forms/Form.h|../tab/TabMotion.h|forms including a subsystem
tab/TabMotion.cpp|../panel/LinkPanel.h|one subsystem including another
core/LinkTable.cpp|links/frmInput.h|an include written from the repository root
CASES

[ "$failures" -eq 0 ]
