# SPDX-License-Identifier: MIT
# Counting checks for the shell tests (tests/test_install.sh, tests/test_package.sh), sourced by them.
passed=0
failed=0
pass() { passed=$((passed + 1)); echo "PASS: $1"; }
fail() { failed=$((failed + 1)); echo "FAIL: $1" >&2; }
# check DESCRIPTION COMMAND...: one case, passed when the command succeeds.
check() {
    local what=$1; shift
    if "$@"; then pass "$what"; else fail "$what"; fi
}
# Prints the count and exits: 0 when nothing failed.
finish() {
    echo "$passed passed, $failed failed"
    [ "$failed" -eq 0 ]
    exit $?
}
# A step the rest depends on: when it fails there is nothing more to check.
require() {
    local what=$1; shift
    if "$@"; then pass "$what"; else fail "$what (cannot go on)"; finish; fi
}

# The tab window of the started program: waits (up to 15 s, while the program at $program_pid lives) until a
# visible window of that process titled "Brimvel-Blue" exists, and prints its id; without one it prints what
# the program said ($work/program.log) on standard error and fails.
tab_window_of_program() {
    local id=
    for _ in $(seq 150); do
        id=$(xdotool search --all --onlyvisible --pid "$program_pid" --name '^Brimvel-Blue$' 2>/dev/null | head -n1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        kill -0 "$program_pid" 2>/dev/null || break
        sleep 0.1
    done
    echo "  no window \"Brimvel-Blue\" appeared; the program said:" >&2
    cat "$work/program.log" >&2
    return 1
}
