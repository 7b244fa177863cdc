#!/bin/sh
# Builds and runs the sediment time-step benchmark against the engine library
# of a build directory (built in Release).
# Usage: bench/sediment/step.sh [build dir] [steps] [threads...]
set -e
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath "${1:-$root/build}")
shift 1 2>/dev/null || true
out=$(mktemp)
trap 'rm -f "$out"' EXIT
g++ -std=c++20 -O2 -fopenmp -I"$root/src" "$root/bench/sediment/step_bench.cpp" "$build/libtovakcore.a" -lm -o "$out"
"$out" "$@"
