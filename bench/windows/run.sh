#!/usr/bin/env bash
# The Windows build against the Linux build on this machine's llvmpipe, in one run; prints a
# Markdown section for BENCHMARKS.md. Never asserted.
#   bench/windows/run.sh WIN64_BUILD_DIR LINUX_BUILD_DIR [WIN32_BUILD_DIR]
# Both sides run brumelt-frame-dump (one source, built for each) from a copy of the demo folder:
#   start-up   process start to the first frame read back (Wine: its server already running),
#   frame      mean cost of 30 frames at 320 x 180, each waited for with glFinish,
# alternating Linux and Wine so that load changes on the machine touch both alike.
set -euo pipefail
win64=$(cd "$1" && pwd)
linux=$(cd "$2" && pwd)
win32=${3:-}
runs=${BRUMELT_BENCH_RUNS:-5}
row=880

wine=/usr/lib/wine/wine64
export WINELOADER=$wine WINEPREFIX=$win64/wineprefix WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all
wineserver=$(command -v wineserver || echo /usr/lib/wine/wineserver64)
work=$(mktemp -d)
pids=()
cleanup() {
  "$wineserver" -k 2>/dev/null || true
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# shellcheck source=bench/windows/private_display.sh
. "$(dirname "${BASH_SOURCE[0]}")/private_display.sh"
start_private_display
[ -f "$WINEPREFIX/system.reg" ] || "$wine" wineboot -u >/dev/null 2>&1
"$wineserver" -p # stays up between runs, as it does for anyone starting programs one by one

cp -r "$linux/demo" "$work/demo"
linux_dump=$linux/tests/windows/brumelt-frame-dump
wine_dump=$win64/brumelt-frame-dump.exe

seconds() { # seconds COMMAND...: wall time of one run from the demo folder
  local start end
  start=$(date +%s.%N)
  (cd "$work/demo" && "$@" >/dev/null 2>&1)
  end=$(date +%s.%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f\n", b - a }'
}
frame_ms() { (cd "$work/demo" && "$@" 2>/dev/null | tr -d '\r' | sed -n 's/^frame ms: //p'); }
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# One warm-up each: shader caches, the page cache, Wine's first start.
seconds "$linux_dump" 320x180 $row "$work/out.rgb" >/dev/null
seconds "$wine" "$wine_dump" 320x180 $row "$work/out.rgb" >/dev/null

: >"$work/start-linux"; : >"$work/start-wine"; : >"$work/frame-linux"; : >"$work/frame-wine"
for _ in $(seq "$runs"); do
  seconds "$linux_dump" 320x180 $row "$work/out.rgb" >>"$work/start-linux"
  seconds "$wine" "$wine_dump" 320x180 $row "$work/out.rgb" >>"$work/start-wine"
  frame_ms "$linux_dump" 320x180 $row "$work/out.rgb" 30 >>"$work/frame-linux"
  frame_ms "$wine" "$wine_dump" 320x180 $row "$work/out.rgb" 30 >>"$work/frame-wine"
done

start_linux=$(median <"$work/start-linux")
start_wine=$(median <"$work/start-wine")
frame_linux=$(median <"$work/frame-linux")
frame_wine=$(median <"$work/frame-wine")
size() { [ -f "$1" ] && printf '%s KiB' $(($(stat -c %s "$1") / 1024)) || echo "not built"; }

echo "## Windows build under Wine"
echo
echo "\`bench/windows/run.sh $(basename "$win64") $(basename "$linux")${win32:+ $(basename "$win32")}\`:"
echo "medians of $runs alternating runs of brumelt-frame-dump (the same source built for each"
echo "side) at row $row, on $(nproc) cores, Mesa llvmpipe on both sides."
echo
echo "| measure | Linux | Windows (Wine 64-bit) | Wine / Linux |"
echo "|---|---|---|---|"
printf '| start-up to the first frame read back (s) | %.3f | %.3f | %.2f |\n' \
  "$start_linux" "$start_wine" "$(awk -v a="$start_wine" -v b="$start_linux" 'BEGIN { print a / b }')"
printf '| frame at 320 x 180 (ms) | %.2f | %.2f | %.3f |\n' \
  "$frame_linux" "$frame_wine" "$(awk -v a="$frame_wine" -v b="$frame_linux" 'BEGIN { print a / b }')"
echo
echo "| program | size |"
echo "|---|---|"
echo "| brumelt (Linux, $(basename "$linux")) | $(size "$linux/demo/brumelt") |"
echo "| brumelt.exe x86-64 (static) | $(size "$win64/demo/brumelt.exe") |"
[ -n "$win32" ] && echo "| brumelt.exe x86 (static) | $(size "$win32/demo/brumelt.exe") |"
exit 0
