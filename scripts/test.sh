#!/usr/bin/env bash
# Builds the engine twice (Release, and with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs the whole test suite on both builds.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs")
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DTOVAK_SANITIZE=ON
cmake --build build-sanitize -j"$jobs"
# Every sanitizer report ends the process with an exit code of its own, in the
# test binary and in the engine that the case tests run, so that it fails the suite.
(cd build-sanitize && ASAN_OPTIONS=detect_leaks=0:exitcode=77 UBSAN_OPTIONS=exitcode=78:halt_on_error=1:print_stacktrace=1 \
  ctest --output-on-failure -j"$jobs")
