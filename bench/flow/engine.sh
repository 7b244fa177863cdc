# The engine side of the channel benchmarks (sourced by peer.sh and search.sh):
# project directories, runs, and the watch of a history run. Expects nx, ny,
# nz, L, W, H, ks, q, cells, engine (the binary), sets (data sets added to every project)
# and now() from the script that sources it; poll is the seconds between two
# looks at a history run.
poll=${poll:-20}

# ---- the engine ------------------------------------------------------------
# A project directory for $2 threads and $3 outer iterations; $4 more data sets.
engine_project() {
  local dir=$1 t=$2 n=$3 extra=$4 chunks maxc maxf maxp
  mkdir -p "$dir"
  awk -v nx="$nx" -v ny="$ny" -v l="$L" -v w="$W" -v h="$H" 'BEGIN {
    for (i = 1; i <= nx + 1; ++i) for (j = 1; j <= ny + 1; ++j)
      printf "%d %d %.6f %.6f 0.0 %g\n", i, j, (i - 1) * l / nx, (j - 1) * w / ny, h }' >"$dir/koosurf"
  chunks=$([ "$t" -gt 1 ] && echo "$t" || echo 0)
  # Room for the coarse levels of the multigrid (F 168): a cell per column and
  # a quarter of that per coarser level.
  maxc=$((cells + cells / 20 + 2 * nx * ny + 1000))
  maxf=$((3 * cells + nx * ny + nx * nz + ny * nz + cells / 10 + 1000))
  maxp=$(((nx + 1) * (ny + 1) * (nz + 1) + cells / 10 + 1000))
  printf 'T channel %s x %s x %s m, fixed lid, ks %s m\nF 2 YWM\nG 1 %d %d %d 1\nF 314 1 1\nF 237 1 %s\nF 237 2 %s\nK 2 0 0\nF 16 %s\nF 65 %d %d %d 10000 1000\nK 1 %d\nF 206 %d\n%b' \
    "$L" "$W" "$H" "$ks" $((nx + 3)) $((ny + 3)) $((nz + 2)) "$q" "$q" "$ks" "$maxc" "$maxf" "$maxp" "$n" "$chunks" \
    "$sets$extra" >"$dir/control"
}
# Runs the engine in $1 with $2 threads; prints the wall seconds.
engine_run() {
  local dir=$1 t=$2 t0 t1 status=0
  t0=$(now)
  # The peak resident memory (KiB) goes to $dir/rss when GNU time is there.
  if [ -x /usr/bin/time ]; then
    (cd "$dir" && OMP_NUM_THREADS=$t /usr/bin/time -f %M -o rss "$engine" >/dev/null 2>&1) || status=$?
  else
    (cd "$dir" && OMP_NUM_THREADS=$t "$engine" >/dev/null 2>&1) || status=$?
  fi
  t1=$(now)
  if [ "$status" -ne 1 ]; then
    echo "$(basename "$0"): the engine ended with status $status in $dir; end of boogie:" >&2
    tail -n 20 "$dir/boogie" >&2
    exit 2
  fi
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f\n", b - a }'
}

# Process $1 and every process it started, children first from the parent
# down (mpirun and its simpleFoam ranks): process ids only, never names, so
# that no other work on the machine is touched.
process_tree() {
  local c
  for c in $(pgrep -P "$1" 2>/dev/null); do process_tree "$c"; done
  echo "$1"
}
end_tree() {
  local pids
  pids=$(process_tree "$1")
  # The parent first, so that mpirun does not start anything anew.
  kill $(printf '%s\n' $pids | tac) 2>/dev/null || true
}
# The background run of the moment, ended when the script ends early.
running=
trap '[ -z "$running" ] || end_tree "$running"' EXIT

# Waits for process $1 while `$2` prints profile lines; stops the process
# (and what it started) once the last four changes are all within 1e-4.
watch_profiles() {
  local pid=$1 cmd=$2
  running=$pid
  while kill -0 "$pid" 2>/dev/null; do
    sleep "$poll"
    if eval "$cmd" 2>/dev/null | awk '$1 == "profile" { c[++n] = $3 }
        END { if (n < 5) exit 1; for (k = n - 3; k <= n; ++k) if (c[k] > 1e-4) exit 1; exit 0 }'; then
      end_tree "$pid"
      # The engine and simpleFoam leave their last complete profile behind.
      sleep 2
      break
    fi
  done
  wait "$pid" 2>/dev/null || true
  running=
}

