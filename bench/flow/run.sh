#!/bin/sh
# Times the steady flow computation (run letter W) of the engine on a straight
# channel of 200 x 40 columns and 10 cell layers (80 000 cells), fixed lid,
# constant eddy viscosity, for a fixed number of outer iterations, with the
# thread counts given (default: 1 and all cores). Prints the wall time per
# iteration and the cell-iterations per second.
# Usage: bench/flow/run.sh [build dir] [iterations] [threads...]
set -e
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath "${1:-$root/build}")
iters=${2:-40}
shift 2 2>/dev/null || shift $#
threads=${*:-"1 $(nproc)"}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
awk 'BEGIN { for (i = 1; i <= 201; ++i) for (j = 1; j <= 41; ++j) printf "%d %d %g %g 0.0 1.0\n", i, j, (i-1)*0.5, (j-1)*0.25 }' >"$dir/koosurf"
# Wall time of one run with $1 threads and $2 outer iterations.
run() {
  chunks=$([ "$1" -gt 1 ] && echo "$1" || echo 0)
  printf 'F 2 YW\nG 1 203 43 11 1\nF 314 1 1\nF 237 1 1.0\nF 237 2 1.0\nK 2 0 0\nF 24 6\nF 65 90000 300000 100000 10000 1000\nK 1 %d\nF 206 %d\n' \
    "$2" "$chunks" >"$dir/control"
  start=$(date +%s.%N)
  (cd "$dir" && OMP_NUM_THREADS=$1 "$build/tovak" >/dev/null) || true
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { print b - a }'
}
for t in $threads; do
  setup=$(run "$t" 0)   # grid generation and start state alone
  total=$(run "$t" "$iters")
  cells=$(sed -n 's/^End Unstructure \([0-9]*\) cells/\1/p' "$dir/boogie")
  awk -v w="$total" -v s0="$setup" -v n="$iters" -v c="$cells" -v t="$t" 'BEGIN {
    w -= s0; printf "threads %2d: %d cells, %d iterations, %.4f s per iteration, %.3g cell-iterations/s\n", t, c, n, w / n, c * n / w }'
done
