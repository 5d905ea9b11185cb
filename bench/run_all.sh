#!/usr/bin/env bash
# Runs every benchmark of a build and writes BENCHMARKS.md at the repository root.
#   bench/run_all.sh BUILD_DIR
# Needs a display for the GL benchmarks (dev.sh bench starts Xvfb when there is none). Takes a
# few minutes; run it on a quiet machine, every table comes from this one run.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-build}" && pwd)
out="$root/BENCHMARKS.md"
bench="$build/bench"
demo="$build/demo"
events="$build/content/music-events.txt"

# One row well inside each of these sections of the show (128 rows after its start).
sections=(intro main breakdown climax)
rows=()
for s in "${sections[@]}"; do
  start=$(awk -v s="$s" '$2 == "section" && $3 == s { print $1; exit }' "$events")
  rows+=($((${start:-0} + 128)))
done
rowList=$(IFS=,; echo "${rows[*]}")
nameList=$(IFS=,; echo "${sections[*]}")

# Prints a command as run in the demo folder, then runs it there.
show_and_run() {
  echo "\`\`\`"
  echo "cd $(basename "$build")/demo && ${*/#$bench/../bench}"
  echo "\`\`\`"
  echo
  (cd "$demo" && "$@")
}

{
  echo "# Benchmarks"
  echo
  echo "Made by \`BRUMELT_BUILD_DIR=$(basename "$build") ./dev.sh bench\` (a Release build, then"
  echo "\`bench/run_all.sh $(basename "$build")\`) on $(date -u +%Y-%m-%d), $(nproc) cores,"
  echo "$(uname -m), under Xvfb; GL: $(glxinfo -B 2>/dev/null | sed -n 's/^OpenGL renderer string: //p' || echo unknown)."
  echo "Numbers are medians unless a row says otherwise; compare only numbers from one run."
  echo
  echo "## Frame cost"
  echo
  echo "One row $((128)) rows into each of the sections ${sections[*]} of the real show (rows"
  echo "$rowList). Per pass: GPU time from \`GL_TIME_ELAPSED\` queries when the driver has them"
  echo "(the first line says which was used); the frame's wall time runs from its first GL call"
  echo "to the end of \`glFinish\`."
  echo
  show_and_run "$bench/bench_frame" --frames 21 --warmup 3 --rows "$rowList" --names "$nameList" \
    --overhead 320x180 --overhead-frames 41 320x180 640x360 1280x720
  echo
  echo "The demo's own frame is \`renderFrame\`; the bare frame draws the same three passes with"
  echo "the same bindings and sets no uniform (they keep the values the demo frame just set)."
  echo "Target: ratio within 1.02, evaluations and uniform updates under 20 us a frame."
  cat <<'TEXT'

What moving the core onto the platform seams and the binding table did to this (measured once,
2026-12-07, the same bench built from the code before and after, run back to back three times
at 320x180 on a quiet machine, `--frames 3 --warmup 1 --rows 0,1200,2300 --overhead-frames 31`):

| | run 1 | run 2 | run 3 |
|---|---:|---:|---:|
| ratio before | 1.0008 | 1.0035 | 0.9987 |
| ratio after | 0.9969 | 0.9992 | 0.9987 |
| evaluations and uniform updates before (us a frame) | 1.21 | 0.74 | 0.73 |
| evaluations and uniform updates after (us a frame) | 1.04 | 0.79 | 0.78 |

Frames captured at seven rows before and after the change are identical byte for byte.
TEXT
  echo
  echo "## Start-up"
  echo
  echo "Process start to the first frame presented, without the setup dialog, at the default"
  echo "window size. The child performs runDemo's start-up steps in runDemo's order; audio goes"
  echo "through SDL's dummy driver (there is no sound card). Warm runs use Mesa's on-disk shader"
  echo "cache as a second start of the demo would; the second table disables it, as on a first"
  echo "start, where compiling the shader code (in the priming draw) dominates."
  echo
  show_and_run "$bench/bench_startup" --runs 7 1280x720
  echo
  show_and_run "$bench/bench_startup" --runs 3 --no-shader-cache 1280x720
  echo
  cat <<'NOTE'
What start-up no longer does (measured once, 2026-12-07, the same bench built from the code
before and after, run back to back, 5 warm runs each at 1280x720, medians in ms):

| step | before | after | change |
|---|---:|---:|---|
| images | 176.2 | 82.5 | the files are mapped instead of read into a fresh heap block, which cost as much as the upload |
| shader compile and link | 6.6 | 29.1 | now pays for fresh heap pages that the freed image blocks used to provide |
| priming draw | 220.1 | 31.3 | one pixel instead of the whole window: the driver compiles the same code, no full frame is drawn |
| **process start to first frame** | **839.9** | **569.0** | |

What remains is the driver's: creating the GL context (most of "window and context"), the
texture upload, allocating the two render targets, and the first frame itself.
NOTE
  echo
  echo "## Music clock"
  echo
  echo "10 s of the real music through SDL's dummy driver, position sampled every millisecond."
  echo
  show_and_run env SDL_AUDIODRIVER=dummy "$bench/bench_clock" assets/music.mp3 10
  echo
  tracks_bench=$(find "$bench" -name bench_tracks -type f -perm -u+x | head -n 1)
  if [ -n "$tracks_bench" ]; then
    echo "## Track evaluation"
    echo
    echo '```'
    echo "${tracks_bench#$build/} --benchmark_min_time=0.2"
    # The runner names its own path, which is this machine's: left out of the report.
    (cd "$demo" && "$tracks_bench" --benchmark_min_time=0.2 2>&1) | grep -v "^Running "
    echo '```'
    echo
  fi
  if [ -x "$demo/brumelt-studio" ]; then
    "$root/bench/studio/studio_bench.sh" "$build"
    echo
  fi
  # The Windows build against this one, when it is there (scripts/windows.sh build).
  if [ -f "$root/build-win64/brumelt-frame-dump.exe" ] && [ -x "$build/tests/windows/brumelt-frame-dump" ]; then
    "$root/bench/windows/run.sh" "$root/build-win64" "$build" "$root/build-win32"
    echo
    # The x86 build beside both, run the way scripts/i386-root.sh runs it here.
    if [ -f "$root/build-win32/brumelt-frame-dump.exe" ]; then
      "$root/bench/windows/x86.sh" "$build" "$root/build-win64" "$root/build-win32"
      echo
    fi
  fi
  # The browser build's figures, when it has been built (./dev.sh web).
  web_site="$root/${BRUMELT_WEB_BUILD_DIR:-build-web}/site"
  if [ -f "$web_site/index.html" ] && command -v chromium >/dev/null; then
    python3 "$root/bench/web/web_bench.py" --site "$web_site" --demo "$demo"
    echo
  fi
} > "$out.tmp"
mv "$out.tmp" "$out"
echo "wrote $out" >&2
