#!/usr/bin/env bash
# Searches the engine's own solver options for the fastest way to a converged
# field on the channel of peer.sh (100 m x 10 m x 2 m, fixed lid, k-epsilon,
# rough walls), by default on a smaller grid of 100 x 10 x 10 cells.
#
# Each setting (a name and the data sets it adds to the control file) runs:
# 1. a history run with -t threads that writes the centre-line profile every
#    -m iterations until it has changed by no more than 1e-4 from one profile
#    to the next four times in a row (as peer.sh does); the first iteration
#    from which the profile stays within 0.1 % of that final one is the
#    iteration count of a converged field;
# 2. a clean run of exactly that many iterations on one thread: its processor
#    time (user and system, which the load of other work on the machine
#    disturbs less than the wall time) less that of a run without iterations
#    gives the seconds per iteration and the time to a converged field.
# A setting counts when its final profile lies within 0.5 % (of the largest
# velocity) of the final profile of the defaults. Prints one line per setting,
# sorted by the time to a converged field, with the residuals of the last
# iteration (u, v, w, continuity, k, epsilon) and the height that settled last,
# and names the fastest setting that counts.
#
# Usage: bench/flow/search.sh [-b build dir] [-w work dir] [-x cells along]
#          [-y cells across] [-z cell layers] [-k ks] [-m interval]
#          [-e iteration limit] [-t threads] [-l settings file]
#          [-r reference profile]
# The settings file holds one setting a line, "name|data sets" (data sets
# separated by \n); the first line is the defaults (no data sets), unless -r
# gives the profile.txt of a defaults run of an earlier search on the same grid.
# Without -l the list below is used.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$root/build-bench
work=
nx=100 ny=10 nz=10 ks=0.05 every=10 emax=20000 threads=1 list= reference=
L=100 W=10 H=2 U0=1 sets=
while getopts b:w:x:y:z:k:m:e:t:l:r: opt; do
  case $opt in
    b) build=$OPTARG ;;
    w) work=$OPTARG ;;
    x) nx=$OPTARG ;;
    y) ny=$OPTARG ;;
    z) nz=$OPTARG ;;
    k) ks=$OPTARG ;;
    m) every=$OPTARG ;;
    e) emax=$OPTARG ;;
    t) threads=$OPTARG ;;
    l) list=$OPTARG ;;
    r) reference=$(realpath "$OPTARG") ;;
    *) exit 2 ;;
  esac
done
[ -n "$work" ] || work=$(mktemp -d /tmp/flow-search.XXXXXX)
mkdir -p "$work"
profile="/usr/bin/python3 $root/bench/flow/profile.py"
poll=2
[ -x /usr/bin/time ] || { echo "search.sh: /usr/bin/time (GNU time) is needed for the processor time" >&2; exit 2; }

# TOVAK in the environment names an engine binary to run instead of building
# one (to compare two builds, or to keep one while the sources change).
if [ -n "${TOVAK:-}" ]; then
  engine=$(realpath "$TOVAK")
else
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
  build=$(cd "$build" && pwd)
  cmake --build "$build" -j3 --target tovak >/dev/null
  engine=$build/tovak
fi

now() { date +%s.%N; }
q=$(awk -v u="$U0" -v w="$W" -v h="$H" 'BEGIN { print u * w * h }')
cells=$((nx * ny * nz))
. "$root/bench/flow/engine.sh"

settings() {
  if [ -n "$list" ]; then cat "$list"; return; fi
  # The velocity, p', k and epsilon entries of K 3, K 4 and K 5 in that order;
  # the peer relaxes everything by 0.9 under SIMPLEC.
  cat <<'EOF'
defaults|
p' sweeps 20|K 4 1 1 1 20 1 1
p' sweeps 20, relax 0.5|K 4 1 1 1 20 1 1\nK 3 0.8 0.8 0.8 0.5 0.5 0.5
p' block correction|K 5 0 0 0 1 0 0
p' block correction, relax 0.5|K 5 0 0 0 1 0 0\nK 3 0.8 0.8 0.8 0.5 0.5 0.5
multigrid u v w p'|F 168 3\nK 5 10 10 10 10 0 0
multigrid u v w p' k e|F 168 3\nK 5 10 10 10 10 10 10
multigrid u v w p', relax 0.9 0.5 0.8|F 168 3\nK 5 10 10 10 10 0 0\nK 3 0.9 0.9 0.9 0.5 0.8 0.8
multigrid all, relax 0.9 0.5 0.8|F 168 3\nK 5 10 10 10 10 10 10\nK 3 0.9 0.9 0.9 0.5 0.8 0.8
multigrid all, relax 0.9 0.5 0.9|F 168 3\nK 5 10 10 10 10 10 10\nK 3 0.9 0.9 0.9 0.5 0.9 0.9
multigrid all, relax 0.9 0.9 0.9, SIMPLEC|F 168 3\nK 5 10 10 10 10 10 10\nK 3 0.9 0.9 0.9 0.9 0.9 0.9\nF 171 1
block correction all, relax 0.9 0.5 0.8|K 5 1 1 1 1 1 1\nK 3 0.9 0.9 0.9 0.5 0.8 0.8
multigrid all, k e sweeps 3, relax 0.9 0.5 0.8|F 168 3\nK 5 10 10 10 10 10 10\nK 3 0.9 0.9 0.9 0.5 0.8 0.8\nK 4 1 1 1 5 3 3
EOF
}

printf 'grid %d x %d x %d = %d cells, history runs with %s thread(s), profile every %d iterations\n' \
  "$nx" "$ny" "$nz" "$cells" "$threads" "$every"
engine_project "$work/grid" 1 0 "F 329 1 0 0 0 0 1\n"
engine_run "$work/grid" 1 >/dev/null
engine_project "$work/zero" 1 0 ""
# The processor seconds (user and system) of the engine in $1 on one thread.
cpu_run() {
  local out
  out=$(cd "$1" && OMP_NUM_THREADS=1 /usr/bin/time -f '%U %S %x' "$engine" 2>&1 >/dev/null | tail -1) || true
  if [ "$(echo "$out" | awk '{ print $3 }')" != 1 ]; then
    echo "search.sh: the engine failed in $1 ($out); end of boogie:" >&2
    tail -n 5 "$1/boogie" >&2
    echo failed
    return
  fi
  echo "$out" | awk '{ print $1 + $2 }'
}
zero=$(cpu_run "$work/zero")

results=$work/results.txt
: >"$results"
n=0
while IFS='|' read -r name data; do
  [ -n "$name" ] || continue
  n=$((n + 1))
  d=$work/s$n
  rm -rf "$d" "$d-timed"
  engine_project "$d" "$threads" "$emax" "${data:+$data\n}P 10 $every\n"
  cp "$work/grid/ParaView3U.vtk" "$d/"
  (cd "$d" && OMP_NUM_THREADS=$threads exec "$engine" >/dev/null 2>&1) &
  watch_profiles $! "$profile engine '$d' $L $W $H $ks"
  if grep -q "Solution diverged" "$d/boogie"; then
    printf '%s|diverged|-|-|-|-|-|%s\n' "$name" "$data" >>"$results"
    echo "$name: diverged ($(grep -m1 "Solution diverged" "$d/boogie"))"
    continue
  fi
  if ! $profile engine "$d" "$L" "$W" "$H" "$ks" >"$d/profile.txt"; then
    printf '%s|failed|-|-|-|-|-|%s\n' "$name" "$data" >>"$results"
    echo "$name: the history run failed; end of $d/boogie:"
    tail -n 5 "$d/boogie"
    continue
  fi
  it=$(awk '$1 == "converged" { print $2 }' "$d/profile.txt")
  settles=$(awk '$1 == "settles" { print $3 }' "$d/profile.txt")
  [ -z "$reference" ] && reference=$d/profile.txt
  off=$($profile compare "$d/profile.txt" "$reference")
  if [ "$it" = none ]; then
    printf '%s|none|-|-|%s|%s|-|%s\n' "$name" "$off" "${settles:--}" "$data" >>"$results"
    echo "$name: no converged field within $emax iterations"
    continue
  fi
  # The residuals of the iteration log line at or before the converged field.
  resid=$(awk -v n="$it" '$1 == "Iter:" { i = $2 + 0; if (i <= n) r = $4 " " $5 " " $6 " " $7 " " $8 " " $9 }
    END { print r }' "$d/boogie")
  engine_project "$d-timed" 1 "$it" "${data:+$data\n}"
  cpu=$(cpu_run "$d-timed")
  if [ "$cpu" = failed ]; then
    printf '%s|failed|-|-|%s|%s|%s|%s\n' "$name" "$off" "$settles" "$resid" "$data" >>"$results"
    continue
  fi
  spi=$(awk -v c="$cpu" -v z="$zero" -v n="$it" 'BEGIN { printf "%.5f", (c - z) / n }')
  tot=$(awk -v c="$cpu" -v z="$zero" 'BEGIN { printf "%.2f", c - z }')
  printf '%s|%s|%s|%s|%s|%s|%s|%s\n' "$name" "$it" "$spi" "$tot" "$off" "$settles" "$resid" "$data" >>"$results"
  echo "$name: $it iterations, $spi s/iteration, $tot s, profile off the defaults' by $off"
done < <(settings)

echo "== settings sorted by processor time to a converged field ($cells cells, 1 thread)"
printf '%-46s %10s %12s %10s %10s %8s  %s\n' setting iterations s/iteration "time, s" "off dflt" "settles" \
  "residuals u v w cont k eps at the converged field"
sort -t'|' -k4,4g "$results" | awk -F'|' '{ printf "%-46s %10s %12s %10s %10s %8s  %s\n", $1, $2, $3, $4, $5, $6, $7 }'
best=$(awk -F'|' '$2 + 0 > 0 && $5 + 0 <= 0.005' "$results" | sort -t'|' -k4,4g | head -1)
echo "fastest with the defaults' profile (within 0.5 %): ${best%%|*}"
echo "data sets: $(printf '%s' "$best" | awk -F'|' '{ print $8 }')"
echo "runs kept in $work"
