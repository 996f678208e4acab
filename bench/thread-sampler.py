#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Counts what the threads of running processes did over one window of time, thread by thread.

    thread-sampler.py SECONDS PID [PID...]

Looks at every thread of each process (/proc/PID/task/TID) every INTERVAL seconds (BENCH_SAMPLE_S, 0.02 by
default) for SECONDS, and prints per process one line

    PID switches CPU-NS

and per thread one line

    thread PID TID NAME switches

A thread counts from its value at the window's start, or from nothing when it begins inside the window, to
its value at its last sight: a thread that ends inside the window keeps what it did until the sample before
it ended, and one that lives between two samples is not seen. No count can be below zero.
Switches are the voluntary and involuntary context switches (each one wake-up of the thread); CPU-NS is
the time on a CPU (schedstat).
"""

import os
import sys
import time


def threads(pid):
    """{tid: (name, switches, cpu_ns)} for the threads of pid that can be read now."""
    found = {}
    folder = f"/proc/{pid}/task"
    try:
        tids = os.listdir(folder)
    except OSError:
        return found
    for tid in tids:
        try:
            with open(f"{folder}/{tid}/status") as status:
                text = status.read()
            with open(f"{folder}/{tid}/schedstat") as schedstat:
                cpu_ns = int(schedstat.read().split()[0])
        except (OSError, ValueError, IndexError):
            continue  # ended while being read: its last sight stands
        name = ""
        switches = 0
        for line in text.splitlines():
            key, _, value = line.partition(":")
            if key == "Name":
                name = value.strip()
            elif key in ("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches"):
                switches += int(value)
        found[tid] = (name, switches, cpu_ns)
    return found


class Thread:
    """One thread's counts: its value at the window's start (nothing for one born inside it) and at its last
    sight; a thread number taken by a new thread after the old one ended starts a life of its own."""

    def __init__(self, name, switches, cpu_ns, at_start):
        self.name = name
        self.base = (switches, cpu_ns) if at_start else (0, 0)
        self.last = (switches, cpu_ns)
        self.earlier = (0, 0)  # what the number's earlier threads did in the window

    def seen(self, name, switches, cpu_ns):
        if switches < self.last[0] or cpu_ns < self.last[1]:
            self.earlier = tuple(e + l - b for e, l, b in zip(self.earlier, self.last, self.base))
            self.base = (0, 0)
        self.name = name
        self.last = (switches, cpu_ns)

    def counts(self):
        return tuple(e + l - b for e, l, b in zip(self.earlier, self.last, self.base))


def main():
    seconds = float(sys.argv[1])
    pids = sys.argv[2:]
    interval = float(os.environ.get("BENCH_SAMPLE_S", "0.02"))
    seen = {pid: {tid: Thread(*values, True) for tid, values in threads(pid).items()} for pid in pids}
    end = time.monotonic() + seconds
    while True:
        now = time.monotonic()
        if now >= end:
            break
        time.sleep(min(interval, end - now))
        for pid in pids:
            for tid, values in threads(pid).items():
                if tid in seen[pid]:
                    seen[pid][tid].seen(*values)
                else:
                    seen[pid][tid] = Thread(*values, False)
    for pid in pids:
        counted = [(tid, thread.name, *thread.counts()) for tid, thread in seen[pid].items()]
        counted.sort(key=lambda row: int(row[0]))
        print(f"{pid} {sum(row[2] for row in counted)} {sum(row[3] for row in counted)}")
        for tid, name, switches, _ in counted:
            print(f"thread {pid} {tid} {name.replace(' ', '_') or '?'} {switches}")


if __name__ == "__main__":
    main()
