#!/bin/sh
# Builds the private-profile fuzzer with clang and runs it on a copy of the seed corpus.
# Usage: tests/fuzz/run.sh [seconds]   (default 60; build folder $FUZZ_BUILD, default build/fuzz)
# Exits non-zero when the fuzzer finds a crash; the crashing input is left in the build folder.
set -eu

seconds=${1:-60}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${FUZZ_BUILD:-$root/build/fuzz}
mkdir -p "$build"
build=$(cd "$build" && pwd)

# Qt is built for position-independent code, so everything here is too.
# shellcheck disable=SC2046
clang++ -std=c++20 -g -O1 -fPIC -Wall -Wextra \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    $(pkg-config --cflags Qt6Core) -I"$root" \
    "$here/fuzz_profile.cpp" "$root/core/PrivateProfile.cpp" \
    $(pkg-config --libs Qt6Core) -o "$build/fuzz_profile"

rm -rf "$build/corpus"
cp -r "$here/corpus" "$build/corpus"
exec "$build/fuzz_profile" -max_total_time="$seconds" -max_len=16384 -timeout=10 \
    -artifact_prefix="$build/" "$build/corpus"
