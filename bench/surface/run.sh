#!/bin/sh
# Builds and runs the surface-equation benchmark against the engine library of
# a build directory. Usage: bench/surface/run.sh [build dir]   (default build)
set -e
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath "${1:-build}")
out=$(mktemp)
trap 'rm -f "$out"' EXIT
g++ -std=c++20 -O2 -fopenmp -I"$root/src" "$root/bench/surface/surface_bench.cpp" "$build/libtovakcore.a" -lm -o "$out"
"$out"
