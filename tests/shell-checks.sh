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
