#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# `make bench`: builds the program (Release) in its own folder, then measures it inside a private desktop
# (tests/desktop.sh) side by side with a bare Qt Widgets window (bench/floor.cpp), and prints a table of
# figures with their budgets. It reports; it exits 0 whether or not a budget is met (it fails only when it
# cannot measure).
#
#   bench/run.sh                  build, then measure
#   BENCH_BUILD=DIR bench/run.sh  build folder (default: build-bench beside the sources)
#   BENCH_QUICK=1 bench/run.sh    fewer runs and shorter windows, for trying the bench itself
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BENCH_BUILD:-$root/build-bench}
jobs=${JOBS:-2}

if [ "${1:-}" != --measure ]; then
    echo "== building the program (Release) in $build"
    mkdir -p "$build"
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >"$build/configure.log" 2>&1 \
        || { cat "$build/configure.log"; exit 1; }
    cmake --build "$build" -j "$jobs" --target brimvel wlinput testwindow
    echo "== building the bench programs in $build/bench"
    cmake -S "$root/bench" -B "$build/bench" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBRIMVEL_BUILD="$build" \
        >"$build/bench.configure.log" 2>&1 || { cat "$build/bench.configure.log"; exit 1; }
    cmake --build "$build/bench" -j "$jobs"
    echo "== measuring (a few minutes)"
    # The open tab at rest under sway first, in a Wayland session of its own; the desktop session below puts
    # its figures in the table.
    echo "-- idle, open under sway, the pointer on a native window"
    if [ "${BENCH_QUICK:-0}" = 1 ]; then wayland_windows=1; else wayland_windows=3; fi
    "$root/bench/wayland-idle.sh" "$build" "$wayland_windows" 10 >"$build/bench-wayland.txt" \
        || echo "bench: no figures under sway (above)" >&2
    exec "$root/tests/desktop.sh" "${BASH_SOURCE[0]}" --measure
fi

# ---------------------------------------------------------------- inside the desktop session from here on
tools=$build/bench
probe=$tools/bench_xprobe
floor=$tools/bench_floor
work=$BRIMVEL_DESKTOP/bench
results=$work/results
mkdir -p "$work"
: >"$results"
: >"$work/threads"
grep '^open_wayland' "$build/bench-wayland.txt" >>"$results" 2>/dev/null || true
grep '^open under' "$build/bench-wayland.txt" >>"$work/threads" 2>/dev/null || true

if [ "${BENCH_QUICK:-0}" = 1 ]; then
    start_runs=3 memory_runs=2 idle_windows=2 open_windows=1 window_s=5 slide_rounds=1 hover_rounds=3
    inproc_runs=10 inproc_big_runs=2
else
    start_runs=10 memory_runs=3 idle_windows=6 open_windows=3 window_s=10 slide_rounds=5 hover_rounds=10
    inproc_runs=50 inproc_big_runs=10
fi

# The program runs from a folder of its own: a copy of the binary, its sounds, and a link file with every slot
# of every page filled, as a user who has set it up has it.
program=$work/program
mkdir -p "$program/data/links" "$program/data/sounds"
cp "$build/brimvel" "$program/"
cp "$build"/data/sounds/*.wav "$program/data/sounds/"
for page in $(seq 0 8); do
    echo "[$page]"
    for slot in $(seq 0 9); do
        echo "name$slot=Link $page.$slot"
        echo "url$slot=https://www.example.org/page$page/slot$slot/"
    done
done >"$program/data/links/plink.dat"
tab=Brimvel-Blue
floor_title=Brimvel-Floor

record() { echo "$*" >>"$results"; }
park() { "$probe" move 640 900; } # away from the tab and from the floor's window

. "$root/bench/sampling.sh"
memory_kib() { awk -v k="$2:" '$1 == k { print $2 }' "/proc/$1/smaps_rollup"; }

# Samples both processes over `windows` windows of `window_s` seconds: per window the CPU share of one core
# (schedstat) and wake-ups per second, each counted thread by thread over the part of the window the thread
# lived (bench/thread-sampler.py); over the whole span the CPU share from utime+stime.
idle_windows() { # name windows pid-program pid-floor
    local name=$1 windows=$2 pids=("$3" "$4") who=(program floor) i w
    local ticks0=() switches ns
    local hz; hz=$(getconf CLK_TCK)
    for i in 0 1; do ticks0[i]=$(cpu_ticks "${pids[i]}"); done
    : >"$work/threads-$name"
    for w in $(seq "$windows"); do
        "$root/bench/thread-sampler.py" "$window_s" "${pids[@]}" >"$work/window"
        grep '^thread ' "$work/window" >>"$work/threads-$name"
        for i in 0 1; do
            read -r switches ns < <(awk -v pid="${pids[i]}" '$1 == pid { print $2, $3 }' "$work/window")
            record "${name}_cpu_window ${who[i]} $(awk -v n="$ns" -v s="$window_s" \
                'BEGIN { printf "%.4f", n / 1e9 / s * 100 }')"
            record "${name}_wakeups ${who[i]} $(awk -v n="$switches" -v s="$window_s" \
                'BEGIN { printf "%.3f", n / s }')"
        done
    done
    # Which of the program's threads wake up, for whoever has to make them quieter.
    awk -v pid="$3" -v s=$((windows * window_s)) -v phase="$name" '$2 == pid { n[$3] += $5; name[$3] = $4 }
        END { for (t in n) printf "%s: thread %s (%s) %.2f wake-ups/s\n", phase, t, name[t], n[t] / s }' \
        "$work/threads-$name" | sort -t ' ' -k3,3n >>"$work/threads"
    for i in 0 1; do
        record "${name}_cpu_stat ${who[i]} $(awk -v a="${ticks0[i]}" -v b="$(cpu_ticks "${pids[i]}")" \
            -v hz="$hz" -v s=$((windows * window_s)) 'BEGIN { printf "%.4f", (b - a) / hz / s * 100 }')"
    done
}

stop() { kill "$@" 2>/dev/null || true; wait "$@" 2>/dev/null || true; }

# ---- 1. start-up: exec to mapped, alternating, after one unrecorded run of each (caches, settings file)
park
echo "-- start-up ($start_runs runs each)"
"$probe" startup "$floor_title" -- "$floor" >/dev/null
"$probe" startup "$tab" -- "$program/brimvel" >/dev/null
for _ in $(seq "$start_runs"); do
    record "startup floor $("$probe" startup "$floor_title" -- "$floor")"
    record "startup program $("$probe" startup "$tab" -- "$program/brimvel")"
done

# ---- 2. memory after 10 s (the last run stays for the rest)
echo "-- memory ($memory_runs runs) and idle, retracted ($((idle_windows * window_s)) s)"
for run in $(seq "$memory_runs"); do
    "$program/brimvel" >"$work/program.log" 2>&1 &
    program_pid=$!
    "$floor" >"$work/floor.log" 2>&1 &
    floor_pid=$!
    sleep 10
    for who in program floor; do
        pid=$program_pid; [ "$who" = floor ] && pid=$floor_pid
        record "rss $who $(memory_kib "$pid" Rss)"
        record "pss $who $(memory_kib "$pid" Pss)"
    done
    if [ "$run" -lt "$memory_runs" ]; then stop "$program_pid" "$floor_pid"; fi
done

# ---- 3. idle while retracted, pointer parked
idle_windows retracted "$idle_windows" "$program_pid" "$floor_pid"

# ---- 4. slides out and in, grow and shrink, each round opened and closed by real clicks on the strip
echo "-- slides ($slide_rounds rounds)"
"$probe" slides "$tab" "$slide_rounds" 20 40 | while read -r motion fields; do
    for field in $fields; do record "${motion}_${field%%=*} program ${field#*=}"; done
done

# ---- 5. idle while open: a click on the strip, then the pointer rests on the head panel
echo "-- idle, open ($((open_windows * window_s)) s)"
read -r x y _ _ < <("$probe" geometry "$tab")
"$probe" click $((x + 3)) $((y + 40))
for _ in $(seq 100); do
    read -r x y _ height < <("$probe" geometry "$tab")
    [ "$height" -ge 300 ] && break
    sleep 0.1
done
[ "$height" -ge 300 ] || echo "bench: the tab did not open (height $height)" >&2
"$probe" move $((x + 20)) $((y + 40))
sleep 2
idle_windows open "$open_windows" "$program_pid" "$floor_pid"

# ---- 6. hover: pointer onto link button 3 to its highlighted picture on screen
echo "-- hover ($hover_rounds rounds)"
"$probe" hover "$tab" "$hover_rounds" 20 40 80 $((100 + 20 * 3 + 10)) | while read -r line; do
    record "hover program ${line#*=}"
done
stop "$program_pid" "$floor_pid"

# ---- 7. in-process: loadPLinks and ApplySkin on the real classes
echo "-- in-process ($inproc_runs runs; $inproc_big_runs on the 1 MiB file)"
"$tools/bench_inproc" "$inproc_runs" "$inproc_big_runs" 2>"$work/inproc.log" | while read -r name times; do
    for t in $times; do record "$name program $t"; done
done

# ---------------------------------------------------------------- the table
python3 - "$results" <<'PY'
import statistics, sys
from collections import defaultdict

data = defaultdict(lambda: defaultdict(list))
for line in open(sys.argv[1]):
    parts = line.split()
    if len(parts) != 3:
        continue
    key, who, value = parts
    try:
        data[key][who].append(float(value))
    except ValueError:
        data[key][who].append(float("nan"))

def stats(key, who):
    v = [x for x in data[key][who] if x == x]
    if not v:
        return None
    return statistics.median(v), min(v), max(v), len(v), len(data[key][who]) - len(v)

def cell(s, unit):
    if s is None:
        return "n/a"
    med, lo, hi, n, bad = s
    text = f"{med:.3f} [{lo:.3f}..{hi:.3f}] n={n}"
    return text + (f" ({bad} timed out)" if bad else "")

rows = []
def row(figure, key, unit, budget, verdict):
    p, f = stats(key, "program"), stats(key, "floor")
    rows.append((figure + f" ({unit})", cell(p, unit), cell(f, unit), budget, verdict(p, f) if p else "NO DATA"))

pf = lambda ok: "PASS" if ok else "MISS"
row("start-up, exec to tab mapped", "startup", "ms", "<= 1.1 x floor",
    lambda p, f: f"{pf(p[0] <= 1.1 * f[0])} ({p[0] / f[0]:.2f} x)")
row("RSS after 10 s", "rss", "KiB", "<= floor + 15 MiB",
    lambda p, f: f"{pf(p[0] <= f[0] + 15 * 1024)} (+{(p[0] - f[0]) / 1024:.1f} MiB)")
row("PSS after 10 s", "pss", "KiB", "<= floor + 15 MiB",
    lambda p, f: f"{pf(p[0] <= f[0] + 15 * 1024)} (+{(p[0] - f[0]) / 1024:.1f} MiB)")
row("CPU retracted idle, whole span, utime+stime", "retracted_cpu_stat", "% core", "<= 0.1 %",
    lambda p, f: pf(p[0] <= 0.1))
row("CPU retracted idle, per window, schedstat", "retracted_cpu_window", "% core", "<= 0.1 %",
    lambda p, f: pf(p[0] <= 0.1))
# The retracted tab has nothing to do until the user or the X server tells it something: no tick re-asserts
# stay-on-top or looks for the screen edge.
row("wake-ups retracted and idle, per window", "retracted_wakeups", "/s", "<= 0.2 /s",
    lambda p, f: pf(p[0] <= 0.2))
row("CPU open idle, whole span, utime+stime", "open_cpu_stat", "% core", "<= 0.5 %",
    lambda p, f: pf(p[0] <= 0.5))
row("CPU open idle, per window, schedstat", "open_cpu_window", "% core", "<= 0.5 %",
    lambda p, f: pf(p[0] <= 0.5))
# Open and idle, pointer on the tab: the number-pad scan runs on key events, the pointer-out tick only while
# a highlight is left to clear.
row("wake-ups open idle, per window", "open_wakeups", "/s", "<= 5 /s", lambda p, f: pf(p[0] <= 5))
# The same under sway through XWayland, the tab holding the keyboard and the pointer on a native window: the
# raw key presses reach the program there too, so nothing polls the keyboard.
row("wake-ups open idle under sway, per window", "open_wayland_wakeups", "/s", "<= 5 /s",
    lambda p, f: pf(p[0] <= 5))
for motion, label in (("slide_out", "slide out"), ("slide_in", "slide in")):
    row(f"{label}, first to last x change", f"{motion}_duration_ms", "ms", "300..500 ms",
        lambda p, f: pf(300 <= p[1] and p[2] <= 500))
    row(f"{label}, x changes", f"{motion}_changes", "count", "-", lambda p, f: "-")
    ratios = [b / a for a, b in zip(data[f"{motion}_step_median_ms"]["program"],
                                    data[f"{motion}_step_p95_ms"]["program"]) if a > 0]
    data[f"{motion}_ratio"]["program"] = ratios
    row(f"{label}, step p95 / step median", f"{motion}_ratio", "ratio", "<= 2",
        lambda p, f: pf(p[2] <= 2))
    row(f"{label}, step median", f"{motion}_step_median_ms", "ms", "-", lambda p, f: "-")
for motion in ("grow", "shrink"):
    row(f"{motion}, height changes", f"{motion}_changes", "ticks", "11",
        lambda p, f: pf(p[1] == 11 and p[2] == 11))
    row(f"{motion}, first to last height change", f"{motion}_duration_ms", "ms", "<= 200 ms",
        lambda p, f: pf(p[2] <= 200))
row("hover, pointer move to highlight on screen", "hover", "ms", "< 20 ms",
    lambda p, f: pf(p[0] < 20 and p[4] == 0))
row("loadPLinks, full file of 90 links", "loadPLinks_full_90", "ms", "< 2 ms", lambda p, f: pf(p[0] < 2))
row("loadPLinks, 1 MiB hand-edited file", "loadPLinks_1MiB_hand_edited", "ms", "< 50 ms",
    lambda p, f: pf(p[0] < 50))
row("ApplySkin, tab skin", "ApplySkin_tab", "ms", "< 1 ms", lambda p, f: pf(p[0] < 1))

head = ("figure", "Brimvel: median [min..max]", "floor: median [min..max]", "budget", "verdict")
widths = [max(len(r[i]) for r in rows + [head]) for i in range(5)]
line = lambda r: "| " + " | ".join(c.ljust(w) for c, w in zip(r, widths)) + " |"
print()
print(line(head))
print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
for r in rows:
    print(line(r))
print("\nBudgets with a range must hold for every run (min and max); the others are judged on the median.")
PY
echo
cat "$work/threads"
echo "raw figures: $results (removed with the session; copy kept in $build/bench-results.txt)"
cp "$results" "$build/bench-results.txt"
exit 0
