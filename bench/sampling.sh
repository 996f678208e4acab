# SPDX-License-Identifier: MIT
# What the bench scripts read of a running process in /proc, sourced by bench/run.sh and bench/wayland-idle.sh.

# utime+stime of the process in clock ticks.
cpu_ticks() { awk '{ sub(/.*\) /, ""); print $12 + $13 }' "/proc/$1/stat"; }
# Time on a CPU in ns, summed over the threads (fine-grained, for the per-window figures).
cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ s += $1 } END { print s + 0 }'; }
# Voluntary and involuntary context switches, summed over the threads: each is one wake-up of a thread.
switches() {
    cat /proc/"$1"/task/*/status 2>/dev/null | awk '/^(non)?voluntary_ctxt_switches:/ { s += $2 } END { print s + 0 }'
}
# One line per thread: id, name, context switches so far.
thread_switches() {
    local task
    for task in /proc/"$1"/task/*; do
        awk -v id="${task##*/}" '/^Name:/ { name = $2 } /^(non)?voluntary_ctxt_switches:/ { s += $2 }
            END { print id, name, s + 0 }' "$task/status" 2>/dev/null || true
    done
}
