# SPDX-License-Identifier: MIT
# What the bench scripts read of a running process in /proc, sourced by bench/run.sh. Wake-ups and CPU time
# per window are counted thread by thread by bench/thread-sampler.py.

# utime+stime of the process in clock ticks (the threads that ended included).
cpu_ticks() { awk '{ sub(/.*\) /, ""); print $12 + $13 }' "/proc/$1/stat"; }
