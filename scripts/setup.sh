#!/usr/bin/env bash
# Installs what the engine and its tests need, builds the engine, runs the
# example project and draws its pictures. Run from the repository root on a
# fresh Debian machine.
set -euo pipefail
cd "$(dirname "$0")/.."
if command -v apt-get >/dev/null; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q g++ cmake make libgtest-dev python3 python3-vtk9 python3-matplotlib xvfb \
    clang libclang-rt-14-dev libomp-dev
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)"
root=$(pwd)
example=$(mktemp -d)
cp examples/channel/control examples/channel/koosurf "$example"
status=0
(cd "$example" && "$root/build/tovak") || status=$?
cat "$example/boogie"
echo "tovak ended with status $status (1 is the normal end); the results are in $example:"
ls "$example"
[ "$status" -eq 1 ]
# Velocity magnitude on the longitudinal section and in plan view.
echo "pictures of the result:"
scripts/render.py "$example"
