#!/bin/sh
# SPDX-License-Identifier: MIT
# Builds the private-profile fuzzers with clang and runs them on copies of the seed corpus, one after the other:
# the logic fuzzer (files in memory) for two thirds of the time, the fault fuzzer (real disk, read-only file and
# folder, full disk) for the rest. Prints each one's runs and runs per second.
# Usage: tests/fuzz/run.sh [seconds]   (default 60; build folder $FUZZ_BUILD, default build/fuzz)
# Exits non-zero when a fuzzer finds a fault; the input that shows it is left in the build folder.
set -eu

seconds=${1:-60}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${FUZZ_BUILD:-$root/build/fuzz}
mkdir -p "$build"
build=$(cd "$build" && pwd)

logic_seconds=$((seconds * 2 / 3))
[ "$logic_seconds" -ge 1 ] || logic_seconds=1
fault_seconds=$((seconds - logic_seconds))
[ "$fault_seconds" -ge 1 ] || fault_seconds=1

# Qt is built for position-independent code, so everything here is too.
for kind in logic faults; do
    faults=0
    [ "$kind" = faults ] && faults=1
    # shellcheck disable=SC2046
    clang++ -std=c++20 -g -O1 -fPIC -Wall -Wextra -DBRIMVEL_FUZZ_FAULTS=$faults \
        -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
        $(pkg-config --cflags Qt6Core) -I"$root" \
        "$here/fuzz_profile.cpp" "$root/core/PrivateProfile.cpp" \
        $(pkg-config --libs Qt6Core) -o "$build/fuzz_profile_$kind" &
    builds="${builds:-} $!"
done
for build_pid in $builds; do
    wait "$build_pid" # a fuzzer that does not build fails the run here
done

# The logic fuzzer spends most of its time allocating: AddressSanitizer keeps no allocation stacks and a smaller
# quarantine for it (rerun a saved input with the defaults for a full report), and its files stay under 4 KiB;
# the fault fuzzer takes files up to 16 KiB.
status=0
for kind in logic faults; do
    time=$logic_seconds
    max_len=4096
    asan=malloc_context_size=0:max_malloc_fill_size=0:quarantine_size_mb=16
    if [ "$kind" = faults ]; then
        time=$fault_seconds
        max_len=16384
        asan=
    fi
    rm -rf "$build/corpus_$kind"
    cp -r "$here/corpus" "$build/corpus_$kind"
    log="$build/fuzz_$kind.log"
    if ! ASAN_OPTIONS=$asan "$build/fuzz_profile_$kind" -max_total_time="$time" -max_len=$max_len -timeout=10 \
        -print_final_stats=1 \
        -artifact_prefix="$build/${kind}-" "$build/corpus_$kind" >"$log" 2>&1; then
        status=1
    fi
    cat "$log"
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    echo "Fuzzing ($kind): ${runs:-0} runs in $time s, $(( ${runs:-0} / time )) per second"
done
exit $status
