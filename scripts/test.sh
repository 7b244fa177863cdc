#!/usr/bin/env bash
# Builds the engine twice (Release, and with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs the whole test suite on both builds.
#
# The tests are registered with CTest (cd build && ctest runs them one process
# per test); here the test binary runs in one shard per core instead, which
# spares a process start per test (about half a second under the sanitizers).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
# The shards share the cores, so the threads of a parallel region must sleep
# while they wait instead of spinning on a core another shard needs.
export OMP_WAIT_POLICY=passive

# Runs the test binary of a build directory in $jobs shards at once; prints the
# log of every failed shard and fails when any shard failed.
run_shards() {
  local dir=$1 logs failed=0 total i
  local -a pids=()
  logs=$(mktemp -d)
  for ((i = 0; i < jobs; i++)); do
    (cd "$dir/tests" && GTEST_TOTAL_SHARDS=$jobs GTEST_SHARD_INDEX=$i ./tovak_tests --gtest_brief=1) \
      >"$logs/shard$i.log" 2>&1 &
    pids+=($!)
  done
  for ((i = 0; i < jobs; i++)); do
    if ! wait "${pids[$i]}"; then
      failed=1
      echo "$dir: test shard $i of $jobs failed:"
      cat "$logs/shard$i.log"
    fi
  done
  total=$(cat "$logs"/shard*.log | grep -ohE '^\[  PASSED  \] [0-9]+' | awk '{s += $4} END {print s + 0}')
  echo "$dir: $total tests passed in $jobs shards"
  rm -rf "$logs"
  return "$failed"
}

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$jobs"
run_shards build

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DTOVAK_SANITIZE=ON
cmake --build build-sanitize -j"$jobs"
# Every sanitizer report ends the process with an exit code of its own, in the
# test binary and in the engine that the case tests run, so that it fails the suite.
export ASAN_OPTIONS=detect_leaks=0:exitcode=77 UBSAN_OPTIONS=exitcode=78:halt_on_error=1:print_stacktrace=1
run_shards build-sanitize
