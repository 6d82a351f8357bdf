#!/usr/bin/env bash
# Configures (once) and builds the fuzz targets with clang into build-fuzz/;
# prints the build's output only when it fails.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-fuzz"
log="$(mktemp)"
trap 'rm -f "$log"' EXIT
if [ ! -f "$build/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S "$root/fuzz" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$log" 2>&1 ||
    { cat "$log"; exit 1; }
fi
cmake --build "$build" -j2 >"$log" 2>&1 || { cat "$log"; exit 1; }
