#!/usr/bin/env bash
# The engine and an OpenFOAM peer (simpleFoam, by ../shared/peers/openfoam-channel.sh)
# on the same work: a straight rectangular channel 100 m long, 10 m wide and 2 m
# deep under a fixed lid, 1 m/s (20 m3/s), k-epsilon with wall laws over a bed
# and side walls of roughness ks, 200 x 40 x 20 cells by default.
#
# The engine runs twice: with its default solver settings and with the best
# setting that bench/flow/search.sh found (or the data sets of -s). For each
# of the two and for the peer:
# 1. a history run with all threads writes the centre-line profile (x = L/2,
#    y = W/2, the four cell columns around it) every -m iterations and stops
#    once it has changed by no more than 1e-4 (of the largest velocity) from
#    one profile to the next four times in a row, or at its own convergence;
#    the first iteration from which the profile stays within 0.1 % of that
#    final one is the iteration count of a converged field;
# 2. per thread count, a clean run of exactly that many iterations gives the
#    wall time to a converged field and the seconds per iteration (engine: the
#    time of a run without iterations taken off; peer: its loop time), the
#    engine's speedup over the first thread count and its peak memory per cell.
# With -n, a clean engine run makes at most that many iterations: the seconds
# per iteration come from them, and the wall time to a converged field of a
# setting that needs more is the time of the run without iterations plus the
# converged count times the seconds per iteration (marked "~").
# Prints them and the ratio of the engine's wall time to the peer's per thread
# count, the load average of the machine (before the timed runs and, per row,
# the one-minute load when the row's runs ended), and the three final profiles against
# the log law of a rough bed, u = u*/0.4 ln(30 z/ks), u* fitted between 10 % and
# 90 % of the depth.
#
# Usage: bench/flow/peer.sh [-b build dir] [-w work dir] [-x cells along]
#          [-y cells across] [-z cell layers] [-k ks] [-m interval]
#          [-e engine iteration limit] [-f peer iteration limit]
#          [-s engine data sets of the best setting] [-n timed iteration limit]
#          [-r] [threads...]
# -r takes the iteration counts and profiles of the history runs kept in the
# work directory (-w) of an earlier run and makes only the timed runs.
# -s replaces the best setting, for example -s 'K 4 1 1 1 20 1 1\nK 3 0.8 0.8
# 0.8 0.5 0.5 0.5' (20 sweeps of the pressure correction and its relaxation 0.5
# instead of 5 and 0.2).
# Threads default to 1 and all cores. The peer is installed from Debian's
# openfoam package when it is missing (as root). The work directory (default
# a new one under /tmp) keeps every run for a look afterwards. TOVAK in the
# environment runs that engine binary instead of building one.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
peer=${PEER:-$root/../shared/peers/openfoam-channel.sh}
build=$root/build-bench
work=
nx=200 ny=40 nz=20 ks=0.05 every=25 emax=20000 fmax=3000 nmax=0 reuse=0
# The fastest setting to a converged field found on the 160 000 cells of the
# default grid (see bench/README.md; on coarse grids it cycles, see
# docs/steady-flow.md).
best='K 5 0 0 0 1 0 0\nK 3 0.85 0.85 0.85 0.2 0.95 0.95\nK 4 2 2 2 5 6 6'
L=100 W=10 H=2 U0=1
while getopts b:w:x:y:z:k:m:e:f:s:n:r opt; do
  case $opt in
    b) build=$OPTARG ;;
    w) work=$OPTARG ;;
    x) nx=$OPTARG ;;
    y) ny=$OPTARG ;;
    z) nz=$OPTARG ;;
    k) ks=$OPTARG ;;
    m) every=$OPTARG ;;
    e) emax=$OPTARG ;;
    f) fmax=$OPTARG ;;
    s) best=$OPTARG ;;
    n) nmax=$OPTARG ;;
    r) reuse=1 ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))
threads=${*:-"1 $(nproc)"}
tmax=$(printf '%s\n' $threads | sort -n | tail -1)
[ -x "$peer" ] || { echo "peer.sh: the peer script $peer is missing" >&2; exit 2; }
[ "$reuse" = 0 ] || [ -n "$work" ] || { echo "peer.sh: -r needs the work directory (-w) of an earlier run" >&2; exit 2; }
[ -n "$work" ] || work=$(mktemp -d /tmp/peer-bench.XXXXXX)
mkdir -p "$work"
profile="/usr/bin/python3 $root/bench/flow/profile.py"

# TOVAK in the environment names an engine binary to run instead of building
# one (to compare two builds, or to keep one while the sources change).
if [ -n "${TOVAK:-}" ]; then
  engine=$(realpath "$TOVAK")
else
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
  build=$(cd "$build" && pwd)
  cmake --build "$build" -j"$(nproc)" --target tovak >/dev/null
  engine=$build/tovak
fi

now() { date +%s.%N; }
q=$(awk -v u="$U0" -v w="$W" -v h="$H" 'BEGIN { print u * w * h }')
cells=$((nx * ny * nz))

. "$root/bench/flow/engine.sh"

names="defaults best"
declare -A data=([defaults]="" [best]="$best") eiter=()
# The history runs: the converged iteration count and final profile of each
# engine setting and of the peer, kept in the work directory.
histories() {
  echo "== history runs with $tmax threads (profiles every $every iterations)"
  # The cell centres come from the 3-D VTK file that letter M writes after no
  # iteration.
  sets=
  engine_project "$work/engine-grid" 1 0 "F 329 1 0 0 0 0 1\n"
  engine_run "$work/engine-grid" 1 >/dev/null
  for s in $names; do
    sets=${data[$s]:+${data[$s]}\n}
    ehist=$work/engine-$s-history
    rm -rf "$ehist"
    engine_project "$ehist" "$tmax" "$emax" "P 10 $every\n"
    cp "$work/engine-grid/ParaView3U.vtk" "$ehist/"
    (cd "$ehist" && OMP_NUM_THREADS=$tmax exec "$engine" >/dev/null 2>&1) &
    watch_profiles $! "$profile engine '$ehist' $L $W $H $ks"
    $profile engine "$ehist" "$L" "$W" "$H" "$ks" >"$work/engine-$s-profile.txt"
  done

  fhist=$work/peer-history
  "$peer" CASE="$fhist" NX="$nx" NY="$ny" NZ="$nz" N=1 P="$tmax" KS="$ks" L="$L" W="$W" H="$H" U0="$U0" >/dev/null
  rm -rf "$fhist/postProcessing"
  sed -i -e "s/^endTime .*/endTime         $fmax;/" -e "s/^writeInterval .*/writeInterval   $every;/" \
    -e "s/^purgeWrite .*/purgeWrite      2;/" "$fhist/system/controlDict"
  (
    cd "$fhist"
    export WM_PROJECT_DIR=${WM_PROJECT_DIR:-/usr/share/openfoam}
    if [ "$tmax" -gt 1 ]; then
      exec mpirun -np "$tmax" --allow-run-as-root --oversubscribe simpleFoam -parallel >log.history 2>&1
    else
      exec simpleFoam >log.history 2>&1
    fi
  ) &
  watch_profiles $! "$profile peer '$fhist' $H $ks"
  $profile peer "$fhist" "$H" "$ks" >"$work/peer-profile.txt"
}

if [ "$reuse" = 1 ]; then
  echo "== the history runs of $work"
  for f in engine-defaults-profile.txt engine-best-profile.txt peer-profile.txt; do
    [ -s "$work/$f" ] || { echo "peer.sh: $work/$f is missing; run without -r" >&2; exit 2; }
  done
else
  histories
fi
for s in $names; do
  eiter[$s]=$(awk '$1 == "converged" { print $2 }' "$work/engine-$s-profile.txt")
  echo "engine, $s: converged field after ${eiter[$s]} iterations" \
    "(settles last at $(awk '$1 == "settles" { print $2 " m, " 100 * $3 " %" }' "$work/engine-$s-profile.txt") of the depth)"
  if [ "${eiter[$s]}" = none ]; then
    echo "peer.sh: the engine ($s) did not converge within $emax iterations; raise -e" >&2
    exit 2
  fi
done
echo "engine, best setting: profile off the defaults' by" \
  "$($profile compare "$work/engine-best-profile.txt" "$work/engine-defaults-profile.txt") (of the largest velocity)"
fiter=$(awk '$1 == "converged" { print $2 }' "$work/peer-profile.txt")
echo "peer: converged field after $fiter iterations"
if [ "$fiter" = none ]; then
  echo "peer.sh: the peer did not converge within $fmax iterations; raise -f" >&2
  exit 2
fi

echo "== timed runs: $nx x $ny x $nz = $cells cells (load average before: $(cut -d' ' -f1-3 /proc/loadavg))"
printf '%-8s %7s | %-53s | %-38s | %-13s | %s\n' "" "" "engine" "peer" "engine / peer" "load"
printf '%-8s %7s | %10s %12s %15s %7s %6s | %10s %12s %14s | %13s | %s\n' setting threads iterations s/iteration \
  "wall to conv." speedup "B/cell" iterations s/iteration "wall to conv." "wall to conv." "average"
declare -A fspi fwall espi1
for t in $threads; do
  out=$("$peer" CASE="$work/peer-t$t" NX="$nx" NY="$ny" NZ="$nz" N="$fiter" P="$t" KS="$ks" L="$L" W="$W" H="$H" U0="$U0")
  fmesh=$(printf '%s\n' "$out" | awk '/^mesh time/ { print $3 + $7 }')
  fsolve=$(printf '%s\n' "$out" | awk '/^wall time/ { print $3 }')
  fspi[$t]=$(printf '%s\n' "$out" | awk '/^s\/iteration/ { print $2 }')
  fwall[$t]=$(awk -v a="$fmesh" -v b="$fsolve" 'BEGIN { printf "%.3f", a + b }')
  for s in $names; do
    sets=${data[$s]:+${data[$s]}\n}
    d=$work/engine-$s-t$t
    rm -rf "$d" "$d-0"
    # At most -n iterations; past them the wall time to the converged field
    # is the run without iterations plus the count times the s/iteration.
    n=${eiter[$s]} mark=" "
    if [ "$nmax" -gt 0 ] && [ "$n" -gt "$nmax" ]; then n=$nmax mark="~"; fi
    engine_project "$d" "$t" "$n" ""
    engine_project "$d-0" "$t" 0 ""
    ewall=$(engine_run "$d" "$t")
    esetup=$(engine_run "$d-0" "$t")
    espi=$(awk -v w="$ewall" -v s="$esetup" -v n="$n" 'BEGIN { printf "%.4f", (w - s) / n }')
    [ "$mark" = " " ] || ewall=$(awk -v s="$esetup" -v p="$espi" -v n="${eiter[$s]}" 'BEGIN { printf "%.3f", s + p * n }')
    [ -n "${espi1[$s]:-}" ] || espi1[$s]=$espi
    printf '%-8s %7d | %10d %12s %1s%12s s %7.2f %6s | %10d %12s %12s s | %13.2f | %s\n' "$s" "$t" "${eiter[$s]}" "$espi" \
      "$mark" "$ewall" "$(awk -v a="${espi1[$s]}" -v b="$espi" 'BEGIN { print a / b }')" \
      "$(awk -v m="$(tail -n 1 "$d/rss" 2>/dev/null || echo 0)" -v c="$cells" 'BEGIN { printf "%d", m * 1024 / c }')" \
      "$fiter" "${fspi[$t]}" "${fwall[$t]}" "$(awk -v a="$ewall" -v b="${fwall[$t]}" 'BEGIN { print a / b }')" \
      "$(cut -d' ' -f1 /proc/loadavg)"
  done
done
echo "(speedup: s/iteration of the first thread count over this one; B/cell: peak resident memory of the run per cell;"
[ "$nmax" = 0 ] || echo " ~: $nmax timed iterations, the wall time to the converged field extrapolated;"
echo " load: the one-minute load average when the row's runs ended)"
echo "best setting: $(printf '%b' "$best" | tr '\n' ';' | sed 's/;$//; s/;/; /g')"

echo "== centre-line profiles of the converged fields against the log law (ks $ks m)"
for side in engine-defaults engine-best peer; do
  awk -v s="$side" '$1 == "loglaw" { printf "%s: u* %s m/s, deviation from the law between 10 and 90 %% of the depth: rms %.2f %%, largest %.2f %%\n", s, $2, 100 * $3, 100 * $4 }' \
    "$work/$side-profile.txt"
done
printf '%8s %10s %10s %10s %10s %10s\n' z defaults best "law" peer "law"
paste <(awk '$1 == "z"' "$work/engine-defaults-profile.txt") <(awk '$1 == "z"' "$work/engine-best-profile.txt") \
  <(awk '$1 == "z"' "$work/peer-profile.txt") |
  awk '{ printf "%8.3f %10.4f %10.4f %10.4f %10.4f %10.4f\n", $2, $3, $7, $8, $11, $12 }'
echo "runs kept in $work"
