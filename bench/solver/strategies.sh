#!/bin/sh
# Builds and runs the bench of the parallel strategies (F 164) and of the
# column multigrid against the engine library of a build directory.
# Usage: bench/solver/strategies.sh [build dir] [thread counts...]
set -e
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath "${1:-build}")
[ $# -gt 0 ] && shift
out=$(mktemp)
trap 'rm -f "$out"' EXIT
g++ -std=c++20 -O2 -fopenmp -I"$root/src" "$root/bench/solver/strategies_bench.cpp" "$build/libtovakcore.a" -lm -o "$out"
"$out" "$@"
