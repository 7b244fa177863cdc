#!/usr/bin/env bash
# Runs an example project of examples/ and draws its pictures:
#
#   scripts/run-example.sh NAME [DIR]
#
# copies the input files of examples/NAME (everything but its README and
# pictures) into DIR (default: a new directory under /tmp), starts the engine
# there on OMP_NUM_THREADS threads (2 unless set), prints the end of `boogie`
# and the exit status, then draws the pictures the example's README shows:
# the commands of examples/NAME/pictures (one per line: a script of scripts/
# and its arguments in shell words, the project directory added at the end),
# or the velocity pictures of scripts/render.py. With --update before NAME the
# pictures are copied back into examples/NAME.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
update=0
if [ "${1:-}" = "--update" ]; then update=1; shift; fi
if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: scripts/run-example.sh [--update] NAME [DIR]; the examples:" >&2
  ls "$root/examples" >&2
  exit 2
fi
name=$1
src="$root/examples/$name"
if [ ! -f "$src/control" ]; then
  echo "run-example.sh: no example '$name' (no file examples/$name/control); the examples:" >&2
  ls "$root/examples" >&2
  exit 2
fi
if [ ! -x "$root/build/tovak" ]; then
  echo "run-example.sh: no engine at build/tovak: build it first (bash scripts/setup.sh)" >&2
  exit 2
fi
dir=${2:-$(mktemp -d "/tmp/tovak-$name-XXXXXX")}
mkdir -p "$dir"
for f in "$src"/*; do
  case "$(basename "$f")" in
    README.md | *.png | pictures) ;;
    *) cp "$f" "$dir/" ;;
  esac
done
echo "running examples/$name in $dir on ${OMP_NUM_THREADS:-2} threads"
start=$(date +%s)
status=0
(cd "$dir" && OMP_NUM_THREADS=${OMP_NUM_THREADS:-2} "$root/build/tovak") || status=$?
grep -v '^Iter:' "$dir/boogie" | tail -n 12
echo "tovak ended with status $status (1 is the normal end) after $(($(date +%s) - start)) s"
if [ "$status" -ne 1 ]; then exit 1; fi
pictures=()
if [ -f "$src/pictures" ]; then
  while IFS= read -r line; do
    case "$line" in '' | '#'*) continue ;; esac
    # The line is shell words (quotes group a label with blanks).
    out=$(eval "\"\$root/scripts/\"$line \"\$dir\"") || exit 1
    while IFS= read -r p; do case "$p" in *.png) pictures+=("$p") ;; esac; done <<<"$out"
  done <"$src/pictures"
else
  out=$("$root/scripts/render.py" "$dir") || exit 1
  while IFS= read -r p; do case "$p" in *.png) pictures+=("$p") ;; esac; done <<<"$out"
fi
echo "pictures:"
printf '  %s\n' "${pictures[@]}"
if [ "$update" -eq 1 ]; then
  cp "${pictures[@]}" "$src/"
  echo "copied into examples/$name"
fi
