#!/bin/sh
# SPDX-License-Identifier: MIT
# Builds the fuzzers of every input from outside with clang (side by side, with the same flags) and runs them on
# copies of their seed corpora, one after the other, each for its share of the time:
#   logic    the INI layer with its files in memory           (tests/fuzz/corpus)
#   faults   the INI layer on a real disk, a read-only file and folder and a full disk (tests/fuzz/corpus)
#   html     a bookmarks HTML file an import reads             (tests/fixtures/bookmarks, seeds/html)
#   json     a Chromium Bookmarks file an import reads         (tests/fixtures/bookmarks, seeds/json)
#   drop     what a drag offers the tab                        (seeds/drop)
#   channel  the lines the running tab takes from its socket   (seeds/channel)
#   version  the version answer of the update check            (seeds/version)
# Prints each one's runs, runs per second and the coverage it reached (libFuzzer's edges and features).
# Usage: tests/fuzz/run.sh [seconds]   (default 60; build folder $FUZZ_BUILD, default build/fuzz)
# Exits non-zero when a fuzzer finds a fault; the input that shows it is left in the build folder.
set -eu

seconds=${1:-60}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${FUZZ_BUILD:-$root/build/fuzz}
mkdir -p "$build"
build=$(cd "$build" && pwd)

# The fuzzers: name, share of the time (in 24ths), largest input, source and the core files it needs, and
# extra compile flags. The INI logic fuzzer gets the largest share: its input space is the largest.
fuzzers='logic 8 4096 fuzz_profile.cpp core/PrivateProfile.cpp core/BoundedFile.cpp -DBRIMVEL_FUZZ_FAULTS=0
faults 4 16384 fuzz_profile.cpp core/PrivateProfile.cpp core/BoundedFile.cpp -DBRIMVEL_FUZZ_FAULTS=1
html 3 65536 fuzz_bookmarks.cpp core/Bookmarks.cpp core/LinkTable.cpp core/cInifile.cpp core/PrivateProfile.cpp core/BoundedFile.cpp -DBRIMVEL_FUZZ_JSON=0
json 3 65536 fuzz_bookmarks.cpp core/Bookmarks.cpp core/LinkTable.cpp core/cInifile.cpp core/PrivateProfile.cpp core/BoundedFile.cpp -DBRIMVEL_FUZZ_JSON=1
drop 2 4096 fuzz_drop.cpp core/LinkDrop.cpp core/AddressPolicy.cpp
channel 2 16384 fuzz_channel.cpp core/LineSplitter.cpp
version 2 256 fuzz_version.cpp core/VersionAnswer.cpp'

# compile NAME SOURCE FILES-AND-FLAGS...: builds one fuzzer in the background. Qt is built for
# position-independent code, so everything here is too.
compile() {
    name=$1
    source=$2
    shift 2
    extra=
    for part in "$@"; do
        case $part in
        -*) extra="$extra $part" ;;
        *) extra="$extra $root/$part" ;;
        esac
    done
    # shellcheck disable=SC2046,SC2086
    clang++ -std=c++20 -g -O1 -fPIC -Wall -Wextra -Werror \
        -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
        $(pkg-config --cflags Qt6Core) -I"$root" \
        "$here/$source" $extra \
        $(pkg-config --libs Qt6Core) -o "$build/fuzz_$name" &
    builds="${builds:-} $!"
}

# $FUZZ_JOBS compilers at a time (default 2); a fuzzer that does not build fails the run.
echo "$fuzzers" | {
    while read -r name share max_len source rest; do
        # shellcheck disable=SC2086
        compile "$name" "$source" $rest
        # shellcheck disable=SC2086
        set -- $builds
        if [ "$#" -ge "${FUZZ_JOBS:-2}" ]; then
            wait "$1"
            shift
            builds="$*"
        fi
    done
    for build_pid in $builds; do
        wait "$build_pid"
    done
}

# seeds NAME: the seed folder of a fuzzer; the bookmarks fuzzers also start from the test fixture of their
# format, copied into the corpus they grow.
seeds() {
    case $1 in
    logic | faults) echo "$here/corpus" ;;
    *) echo "$here/seeds/$1" ;;
    esac
}
fixture() {
    case $1 in
    html) echo "$root/tests/fixtures/bookmarks/nested.html" ;;
    json) echo "$root/tests/fixtures/bookmarks/Bookmarks.json" ;;
    esac
}

status=0
echo "$fuzzers" | {
    while read -r name share max_len source rest; do
        time=$((seconds * share / 24))
        [ "$time" -ge 1 ] || time=1
        # The logic fuzzer spends most of its time allocating: AddressSanitizer keeps no allocation stacks
        # and a smaller quarantine for it (rerun a saved input with the defaults for a full report).
        asan=
        [ "$name" = logic ] && asan=malloc_context_size=0:max_malloc_fill_size=0:quarantine_size_mb=16
        # What the run finds goes to a fresh corpus of its own; the seeds are read from where they are.
        rm -rf "$build/corpus_$name"
        mkdir -p "$build/corpus_$name"
        fixture=$(fixture "$name")
        [ -z "$fixture" ] || cp "$fixture" "$build/corpus_$name/"
        log="$build/fuzz_$name.log"
        if ! ASAN_OPTIONS=$asan "$build/fuzz_$name" -max_total_time="$time" -max_len="$max_len" -timeout=10 \
            -print_final_stats=1 -artifact_prefix="$build/${name}-" "$build/corpus_$name" "$(seeds "$name")" >"$log" 2>&1; then
            status=1
        fi
        cat "$log"
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
        cov=$(sed -n 's/.* cov: \([0-9]*\) ft: \([0-9]*\) .*/\1 edges, \2 features/p' "$log" | tail -n 1)
        echo "Fuzzing ($name): ${runs:-0} runs in $time s, $((${runs:-0} / time)) per second, coverage ${cov:-unknown}"
    done
    exit $status
}
