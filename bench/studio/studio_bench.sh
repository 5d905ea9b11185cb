#!/usr/bin/env bash
# The studio's own numbers at 320 x 180: from a save to the first frame that shows it (a track
# edit and a shader edit), seek to first frame, and the cost of a frame with the overlay on and
# off beside the demo's frame at the same row. Prints a Markdown section on stdout.
#   bench/studio/studio_bench.sh BUILD_DIR [EDITS]
# Needs a display (DISPLAY) and a built demo folder with brumelt-studio and bench_frame. Never
# asserts anything: it reports what it measured.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "${1:-build}" && pwd)
edits=${2:-9}
demo="$build/demo"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$root/content/show.tracks" "$root/content/music.score" "$work/"
cp -r "$root/src/render/shaders" "$work/shaders"

# The studio on a script in the demo folder; its log lines on stdout. Mesa's on-disk shader cache
# is off: the edits' constants are the same in every run, so a cache would answer for them in
# every run but the first.
studio() {
  (cd "$demo" && SDL_AUDIODRIVER=dummy MESA_SHADER_CACHE_DISABLE=true ./brumelt-studio --content "$work" \
    --shaders "$work/shaders" --size 320x180 --script "$1" 2>&1)
}

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR) print v[int((NR + 1) / 2)]; else print "-" }'; }

# Edits that each change the picture's input: the fade's key flips between 0 and 0.5 (the
# choreography), and the scene's output is scaled by a new constant each time (code the driver
# has not compiled before, so no shader cache can answer for it).
{
  echo "seek main+4:0:0"
  echo "frames 3"
  for i in $(seq 1 "$edits"); do
    if ((i % 2)); then from=0; to=0.5; else from=0.5; to=0; fi
    echo "edit $work/show.tracks \"intro+2:0:0    $from \" \"intro+2:0:0    $to \""
    echo "wait-reload"
    echo "frames 2"
  done
  echo "edit $work/shaders/scene.glsl \"vec4(color, 1.0)\" \"vec4(color * 1.0000, 1.0)\""
  echo "wait-reload"
  echo "frames 2"
  for i in $(seq 1 "$edits"); do
    echo "edit $work/shaders/scene.glsl \"color * 1.000$((i - 1))\" \"color * 1.000$i\""
    echo "wait-reload"
    echo "frames 2"
  done
  echo "quit"
} >"$work/reload.txt"
reloads=$(studio "$work/reload.txt")
track=$(echo "$reloads" | sed -n 's/.*reload: show.tracks: \([0-9.]*\) ms.*/\1/p' | median)
# The first shader edit only turns the built program into one from the file; the rest count.
shader=$(echo "$reloads" | sed -n 's/.*reload: scene.glsl: \([0-9.]*\) ms.*/\1/p' | tail -n +2 | median)

{
  echo "pause"
  for target in main intro+8:0:0 climax breakdown+4:0:0 drive; do
    echo "seek $target"
    echo "frames 2"
  done
  echo "seek main"
  echo "play 3"
  for target in climax intro+8:0:0 breakdown main+4:0:0 drive; do
    echo "seek $target"
    echo "frames 2"
  done
  echo "quit"
} >"$work/seek.txt"
seeks=$(studio "$work/seek.txt")
seekPaused=$(echo "$seeks" | sed -n 's/.*seek: row .*: \([0-9.]*\) ms.*/\1/p' | head -5 | median)
seekPlaying=$(echo "$seeks" | sed -n 's/.*seek: row .*: \([0-9.]*\) ms.*/\1/p' | tail -n +6 | median)

# The score: rendered again on a thread while the old music plays on (one edit; it takes long).
cat >"$work/score.txt" <<SCRIPT
seek main
play 2
edit $work/music.score "section outro 12" "section outro 10"
wait-reload 300
frames 2
quit
SCRIPT
score=$(studio "$work/score.txt" | sed -n 's/.*reload: music.score: \([0-9.]*\) ms.*/\1/p' | median)

# Overlay on and off in turns, so that other work on the machine weighs on both alike.
{
  echo "seek main+4:0:0"
  echo "frames 5"
  for i in 1 2 3 4 5; do
    echo "overlay on"
    echo "measure 21"
    echo "overlay off"
    echo "measure 21"
  done
  echo "quit"
} >"$work/frame.txt"
frames=$(studio "$work/frame.txt")
overlayOn=$(echo "$frames" | sed -n 's/.*measure: 21 frames, .* median \([0-9.]*\) (overlay on.*/\1/p' | median)
overlayOff=$(echo "$frames" | sed -n 's/.*measure: 21 frames, .* median \([0-9.]*\) (overlay off.*/\1/p' | median)
row=$(awk '$2 == "section" && $3 == "main" { print $1 + 128; exit }' "$build/content/music-events.txt")
demoFrame="-"
if [ -x "$build/bench/bench_frame" ]; then
  demoFrame=$(cd "$demo" && ../bench/bench_frame --frames 41 --warmup 5 --rows "$row" --names main 320x180 2>/dev/null |
    awk -F'|' '/^\| 320x180/ { gsub(/ /, "", $8); print $8; exit }')
fi

cat <<REPORT
## The studio

\`bench/studio/studio_bench.sh $(basename "$build")\` on $(date -u +%Y-%m-%d), $(nproc) cores, under
Xvfb; GL: $(glxinfo -B 2>/dev/null | sed -n 's/^OpenGL renderer string: //p' || echo unknown).
At 320 x 180, medians; "save to frame" runs from the script's write of the file to the first
frame presented after the reload ($edits edits of each kind).

| what | ms | target |
|---|---:|---|
| track edit (fade key in show.tracks), save to frame | $track | under 100 |
| shader edit (scene.glsl, a new constant: code never compiled before), save to frame | $shader | under 500 |
| score edit (outro two bars shorter), save to the first frame with the new music | $score | |
| seek to first frame, paused | $seekPaused | |
| seek to first frame, playing (the music moves too) | $seekPlaying | |
| studio frame at row $row, overlay on (5 x 21 frames, present to present) | $overlayOn | |
| studio frame at row $row, overlay off | $overlayOff | |
| demo frame at row $row (bench_frame, first GL call to glFinish) | $demoFrame | |
REPORT
