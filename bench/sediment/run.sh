#!/bin/sh
# Builds and runs the per-size sediment solver benchmark against the engine
# library of a build directory. Usage: bench/sediment/run.sh [build dir]
set -e
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath "${1:-build}")
out=$(mktemp)
trap 'rm -f "$out"' EXIT
g++ -std=c++20 -O2 -fopenmp -I"$root/src" "$root/bench/sediment/sizesolver_bench.cpp" "$build/libtovakcore.a" -lm -o "$out"
"$out"
