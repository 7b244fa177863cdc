#!/bin/sh
# Times the steady flow computation (run letter W) of the engine on a large
# straight channel with the k-epsilon model and a fixed lid: by default 300 x 50
# columns of 1 m x 0.2 m (300 m long, 10 m wide, 1 m deep, 1 m3/s) with 20 cell
# layers, 300 000 cells. Builds the Release engine in a build directory of its
# own first, then runs a fixed number of outer iterations with each thread
# count (default 1, 2, 4 and all cores; F 206 set to the thread count). The
# time of a run with no outer iteration (grid generation, start state and the
# result files) is taken off. Prints per thread count the seconds per outer
# iteration, the cell-iterations per second, the speedup over the first thread
# count, the peak resident memory of the run and that memory per cell.
#
# Usage: bench/flow/scale.sh [-b build dir] [-n iterations] [-r repeats]
#                            [-x columns along] [-y columns across]
#                            [-z cell layers] [threads...]
# Each timing is the median of the repeats (default 3).
set -e
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$root/build-bench
iters=20
repeats=3
nx=300
ny=50
nz=20
while getopts b:n:r:x:y:z: opt; do
  case $opt in
    b) build=$OPTARG ;;
    n) iters=$OPTARG ;;
    r) repeats=$OPTARG ;;
    x) nx=$OPTARG ;;
    y) ny=$OPTARG ;;
    z) nz=$OPTARG ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))
threads=${*:-"1 2 4 $(nproc)"}
[ -x /usr/bin/time ] || { echo "scale.sh: /usr/bin/time (GNU time) is needed for the peak memory" >&2; exit 2; }

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target tovak >/dev/null

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
awk -v nx="$nx" -v ny="$ny" 'BEGIN {
  for (i = 1; i <= nx + 1; ++i) for (j = 1; j <= ny + 1; ++j)
    printf "%d %d %g %g 0.0 1.0\n", i, j, i - 1, (j - 1) * 10.0 / ny }' >"$dir/koosurf"
# Array sizes with room to spare: cells, faces (three per cell and the
# boundaries), points.
cells=$((nx * ny * nz))
maxc=$((cells + cells / 20 + 1000))
maxf=$((3 * cells + nx * ny + nx * nz + ny * nz + cells / 10 + 1000))
maxp=$(((nx + 1) * (ny + 1) * (nz + 1) + cells / 10 + 1000))

# One run with $1 threads and $2 outer iterations: "wall seconds, peak RSS kB".
run() {
  chunks=$([ "$1" -gt 1 ] && echo "$1" || echo 0)
  printf 'F 2 YW\nG 1 %d %d %d 1\nF 314 1 1\nF 237 1 1.0\nF 237 2 1.0\nK 2 0 0\nF 16 0.05\nF 65 %d %d %d 10000 1000\nK 1 %d\nF 206 %d\n' \
    $((nx + 3)) $((ny + 3)) $((nz + 2)) "$maxc" "$maxf" "$maxp" "$2" "$chunks" >"$dir/control"
  rm -f "$dir/boogie"
  status=0
  (cd "$dir" && OMP_NUM_THREADS=$1 /usr/bin/time -f '%e %M' -o "$dir/time" "$build/tovak" >/dev/null 2>&1) || status=$?
  if [ "$status" -ne 1 ]; then
    echo "scale.sh: the engine ended with status $status ($1 threads, $2 iterations); end of boogie:" >&2
    tail -n 20 "$dir/boogie" >&2
    exit 2
  fi
  tr '\n' ' ' <"$dir/time" | awk '{ print $(NF-1), $NF }'
}
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

printf '%s\n' "grid $nx x $ny columns x $nz layers, $iters outer iterations, median of $repeats runs"
# Other work on the machine slows the runs with many threads most: every
# thread waits for the slowest at each barrier.
printf '%s\n' "$(nproc) cores, load average before the runs: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%7s %12s %18s %8s %10s %14s\n' threads s/iteration cell-iterations/s speedup "peak RSS" "bytes per cell"
base=
for t in $threads; do
  : >"$dir/setups"
  : >"$dir/totals"
  : >"$dir/rss"
  r=0
  while [ "$r" -lt "$repeats" ]; do
    run "$t" 0 | awk '{ print $1 }' >>"$dir/setups"   # grid generation, start state, results
    run "$t" "$iters" >"$dir/one"
    awk '{ print $1 }' "$dir/one" >>"$dir/totals"
    awk '{ print $2 }' "$dir/one" >>"$dir/rss"
    r=$((r + 1))
  done
  n=$(sed -n 's/^End Unstructure \([0-9]*\) cells/\1/p' "$dir/boogie")
  setup=$(median <"$dir/setups")
  total=$(median <"$dir/totals")
  rss=$(median <"$dir/rss")
  per=$(awk -v w="$total" -v s="$setup" -v n="$iters" 'BEGIN { print (w - s) / n }')
  [ -n "$base" ] || base=$per
  awk -v per="$per" -v base="$base" -v n="$n" -v t="$t" -v rss="$rss" 'BEGIN {
    printf "%7d %12.4f %18.3g %8.2f %7.0f MB %14.0f\n", t, per, n / per, base / per, rss / 1024, rss * 1024 / n }'
done
