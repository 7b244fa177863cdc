#!/usr/bin/env bash
# Builds the fuzz targets of the file readers (clang, libFuzzer, AddressSanitizer
# and UndefinedBehaviorSanitizer) in build-fuzz/ and runs each for the given
# number of seconds, two at a time, from its seed corpus in tests/fuzz/corpus/.
# Any crash, sanitizer report, leak, hang or fault reported by a target fails
# the script; the input that caused it is kept in tests/fuzz/crashes/.
#
#   scripts/fuzz.sh SECONDS [TARGET...]    e.g. scripts/fuzz.sh 60, scripts/fuzz.sh 600 koosurf
#   FUZZ_JOBS=N runs N targets at a time (default 2).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:?usage: scripts/fuzz.sh SECONDS [TARGET...]}
shift
all=(control koosurf unstruc result bedres inflow inspace cyclic geodata timei terrain stlfile alldata fracres alpha1 vegdata bagger weir)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all[@]}")

cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DTOVAK_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j"$(nproc)"

mkdir -p build-fuzz/corpus build-fuzz/logs tests/fuzz/crashes
run_one() {
  local t=$1
  local exe="$root/build-fuzz/tests/fuzz/fuzz_$t" work="$root/build-fuzz/corpus/$t" log="$root/build-fuzz/logs/$t.log"
  [ -x "$exe" ] || { echo "no fuzz target '$t'"; return 1; }
  mkdir -p "$work"
  # New inputs go to the working corpus in build-fuzz/; the seeds stay as they are.
  if "$exe" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 -print_final_stats=1 \
      -artifact_prefix="$root/tests/fuzz/crashes/$t-" "$work" "$root/tests/fuzz/corpus/$t" >"$log" 2>&1; then
    echo "fuzz $t: $(grep -E '^stat::number_of_executed_units' "$log" | awk '{print $2}') inputs in $seconds s, no fault"
  else
    echo "fuzz $t: FAULT (log $log)"
    grep -E 'tovak fuzz|ERROR|SUMMARY|runtime error|Test unit written' "$log" | head -20
    return 1
  fi
}
export -f run_one
export root seconds
mkdir -p build-fuzz/results
rm -f build-fuzz/results/*
printf '%s\n' "${targets[@]}" | xargs -P "${FUZZ_JOBS:-2}" -I{} bash -c 'if run_one {}; then touch build-fuzz/results/{}.passed; fi' || true
passed=$(find build-fuzz/results -name '*.passed' | wc -l)
failed=$((${#targets[@]} - passed))
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
