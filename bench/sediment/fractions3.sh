#!/bin/sh
# Builds and runs the multi-layer fraction benchmark against the engine
# library of a build directory (built in Release).
# Usage: bench/sediment/fractions3.sh [build dir] [threads...]
set -e
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath "${1:-$root/build}")
shift 1 2>/dev/null || true
out=$(mktemp)
trap 'rm -f "$out"' EXIT
g++ -std=c++20 -O2 -fopenmp -I"$root/src" "$root/bench/sediment/fractions3_bench.cpp" "$build/libtovakcore.a" -lm -o "$out"
"$out" "$@"
