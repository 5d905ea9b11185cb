#!/usr/bin/env bash
# Runs every benchmark of a build and writes BENCHMARKS.md at the repository root.
#   bench/run_all.sh BUILD_DIR
# Needs a display for the GL benchmarks (dev.sh bench starts Xvfb when there is none).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-build}" && pwd)
out="$root/BENCHMARKS.md"
bench="$build/bench"
demo="$build/demo"

{
  echo "# Benchmarks"
  echo
  echo "Made by \`./dev.sh bench\` (which runs \`bench/run_all.sh build\`) on $(date -u +%Y-%m-%d),"
  echo "$(nproc) cores, $(uname -m); GL: $(glxinfo -B 2>/dev/null | sed -n 's/^OpenGL renderer string: //p' || echo unknown)."
  echo "Numbers are medians unless a row says otherwise; compare only numbers from one run."
  echo
  echo "## Music clock"
  echo
  echo "\`bench_clock assets/music.mp3 10\` in the demo folder: 10 s through SDL's dummy driver,"
  echo "position sampled every millisecond."
  echo
  (cd "$demo" && SDL_AUDIODRIVER=dummy "$bench/bench_clock" assets/music.mp3 10)
  echo
  for b in "$bench"/bench_*; do
    name=$(basename "$b")
    [ "$name" = bench_clock ] && continue
    [ -x "$b" ] || continue
    echo "## ${name#bench_}"
    echo
    echo "\`$name\`, run in the demo folder:"
    echo
    echo '```'
    (cd "$demo" && "$b" 2>&1)
    echo '```'
    echo
  done
} > "$out.tmp"
mv "$out.tmp" "$out"
echo "wrote $out" >&2
