#!/usr/bin/env bash
# The x86 Windows build, run the way scripts/i386-root.sh runs it here, beside the x86-64 build
# under Wine and the Linux build, in one run; prints a Markdown section for BENCHMARKS.md. Never
# asserted.
#   bench/windows/x86.sh LINUX_BUILD_DIR WIN64_BUILD_DIR WIN32_BUILD_DIR
# Measured, alternating the three sides run by run:
#   set-up       the i386 root made afresh in a scratch folder (its packages downloaded too), the
#                check that finds it made, and a fresh Wine prefix for it (wineboot -u)
#   dialog       process start to the setup dialog shown (then Escape), the real demo
#   first frame  process start to brumelt-frame-dump's frame at 160 x 90 written
#   frame        mean cost of the frames at 160 x 90 it draws after that, each waited for
# Every Wine start finds no Wine server running, as each test case's start does.
set -euo pipefail
linux=$(cd "$1" && pwd)
win64=$(cd "$2" && pwd)
win32=$(cd "$3" && pwd)
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
runs=${BRUMELT_BENCH_RUNS:-3}
row=880 size=160x90 bytes=$((160 * 90 * 3))
native_frames=30 x86_frames=5
i386_root=$repo/scripts/i386-root.sh

scratch=$(mktemp -d "$win32/bench-x86.XXXXXX")
export BRUMELT_I386_ROOT=$scratch/root
export WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all
wine64=/usr/lib/wine/wine64
wineserver64=$(command -v wineserver || echo /usr/lib/wine/wineserver64)
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  WINEPREFIX=$win64/wineprefix "$wineserver64" -k 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

# shellcheck source=bench/windows/private_display.sh
. "$(dirname "${BASH_SOURCE[0]}")/private_display.sh"
start_private_display

now() { date +%s.%N; }
since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.3f\n", b - a }'; }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
mib() { du -sm "$1" | cut -f1; }

way=$(bash "$i386_root" mode)
case $way in
  wine:*) x86_name="plain wine (i386)" ;;
  root:*) x86_name="i386 Wine in the i386 root" ;;
  *) x86_name="emulated: qemu-user, i386 Wine" ;;
esac

# --- Set-up -----------------------------------------------------------------------------------
export WINEPREFIX=$scratch/prefix
if [ "${way%%:*}" = wine ]; then
  root_fresh="not needed" root_again="not needed" root_size="none"
  x86=(wine)
else
  start=$(now)
  bash "$i386_root" setup 2>"$scratch/setup.log" || { cat "$scratch/setup.log" >&2; exit 1; }
  root_fresh="$(since "$start") s"
  root_size="$(mib "$BRUMELT_I386_ROOT") MiB"
  start=$(now)
  bash "$i386_root" setup 2>/dev/null
  root_again="$(since "$start") s"
  x86=(bash "$i386_root" run --bind "$win32" -- wine)
fi
start=$(now)
"${x86[@]}" wineboot -u >/dev/null 2>&1
prefix_fresh="$(since "$start") s"
prefix_size="$(mib "$WINEPREFIX") MiB"
unset WINEPREFIX
[ -f "$win64/wineprefix/system.reg" ] || WINEPREFIX=$win64/wineprefix "$wine64" wineboot -u >/dev/null 2>&1
WINEPREFIX=$win64/wineprefix "$wineserver64" -k 2>/dev/null || true

work=$scratch/work
mkdir -p "$work"
cp -r "$linux/demo" "$work/demo"

# Runs the demo or the frame dump of one side; the Wine 64-bit server is stopped afterwards (the
# x86 one ends with its namespace, or is waited for).
side() { # side linux|x64|x86 demo|dump ARG...
  local which=$1 program=$2
  shift 2
  case $which:$program in
    linux:demo) "$linux/demo/brumelt" "$@" ;;
    linux:dump) "$linux/tests/windows/brumelt-frame-dump" "$@" ;;
    x64:*)
      [ "$program" = demo ] && program=$win64/demo/brumelt.exe || program=$win64/brumelt-frame-dump.exe
      WINEPREFIX=$win64/wineprefix WINELOADER=$wine64 "$wine64" "$program" "$@"
      WINEPREFIX=$win64/wineprefix "$wineserver64" -k 2>/dev/null || true
      ;;
    x86:*)
      [ "$program" = demo ] && program=$win32/demo/brumelt.exe || program=$win32/brumelt-frame-dump.exe
      WINEPREFIX=$scratch/prefix "${x86[@]}" "$program" "$@"
      ;;
  esac
}

# Start to the dialog shown; Escape then ends the demo.
dialog_seconds() { # dialog_seconds SIDE
  local start id="" took pid
  start=$(now)
  (cd "$work/demo" && side "$1" demo >/dev/null 2>&1) &
  pid=$!
  until [ -n "$id" ]; do
    id=$(xdotool search --onlyvisible --name '^QRV :: Brumelt$' 2>/dev/null | head -n 1 || true)
    kill -0 "$pid" 2>/dev/null || { echo "$1: no dialog" >&2; return 1; }
    [ -n "$id" ] || sleep 0.02
  done
  took=$(since "$start")
  xdotool windowfocus --sync "$id" key Escape >/dev/null 2>&1
  wait "$pid" || true
  echo "$took"
}

# Start to the first frame written; prints that and the frames' mean cost (ms) after it.
frame_figures() { # frame_figures SIDE FRAMES
  local start took pid out=$work/frame.rgb
  rm -f "$out" "$work/frame.log"
  start=$(now)
  (cd "$work/demo" && side "$1" dump "$size" $row "$out" "$2" >"$work/frame.log" 2>&1) &
  pid=$!
  until [ "$(stat -c %s "$out" 2>/dev/null || echo 0)" -ge $bytes ]; do
    kill -0 "$pid" 2>/dev/null || { echo "$1: no frame" >&2; return 1; }
    sleep 0.02
  done
  took=$(since "$start")
  wait "$pid"
  echo "$took $(tr -d '\r' <"$work/frame.log" | sed -n 's/^frame ms: //p')"
}

# Warm-ups: the page cache, shader caches (the x86 side's set-up has just read all of its files).
for s in linux x64; do frame_figures $s 1 >/dev/null; done

for s in linux x64 x86; do : >"$work/dialog-$s" && : >"$work/first-$s" && : >"$work/frame-$s"; done
for _ in $(seq "$runs"); do
  for s in linux x64 x86; do dialog_seconds $s >>"$work/dialog-$s"; done
  for s in linux x64 x86; do
    frames=$([ $s = x86 ] && echo $x86_frames || echo $native_frames)
    read -r first frame < <(frame_figures $s "$frames")
    echo "$first" >>"$work/first-$s"
    echo "$frame" >>"$work/frame-$s"
  done
done

# A measure's row: the three medians and x86 / x86-64.
row() { # row LABEL FORMAT MEASURE
  local l x w
  l=$(median <"$work/$3-linux")
  w=$(median <"$work/$3-x64")
  x=$(median <"$work/$3-x86")
  printf "| %s | $2 | %s |\n" "$1" "$l" "$w" "$x" "$(awk -v a="$x" -v b="$w" 'BEGIN { printf "%.1f", a / b }')"
}

echo "## The x86 build ($x86_name)"
echo
echo "\`bench/windows/x86.sh $(basename "$1") $(basename "$2") $(basename "$3")\`: $(nproc) cores,"
echo "Mesa llvmpipe on every side; x86: ${way%%:*} ($(uname -r | cut -d- -f1) kernel$(command -v qemu-i386 >/dev/null && echo ", qemu-user $(qemu-i386 --version | sed -n '1s/.*version \([0-9.]*\).*/\1/p')"))."
echo "Set-up once; then medians of $runs runs, the three sides taking turns, each Wine start"
echo "with no Wine server running (as the test cases start)."
echo
echo "| set-up of the x86 side | time | size |"
echo "|---|---|---|"
echo "| i386 root made afresh (its packages downloaded) | $root_fresh | $root_size |"
echo "| i386 root found made (the check at every use) | $root_again | |"
echo "| Wine prefix made afresh (\`wineboot -u\`) | $prefix_fresh | $prefix_size |"
echo
echo "| measure | Linux | Windows x86-64 (Wine 64-bit) | Windows x86 ($x86_name) | x86 / x86-64 |"
echo "|---|---|---|---|---|"
row "start to the setup dialog shown (s)" "%.3f | %.3f | %.2f" dialog
row "start to the first frame at 160 x 90 written (s)" "%.3f | %.3f | %.2f" first
row "frame at 160 x 90 (ms; $native_frames frames, x86 $x86_frames)" "%.2f | %.2f | %.0f" frame
exit 0
