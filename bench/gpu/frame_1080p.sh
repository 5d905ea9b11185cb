#!/usr/bin/env bash
# Frame cost at 1920x1080 on a machine with a GPU, in one short call that builds nothing.
#
# 1. Here, after a Release build (BRUMELT_BUILD_DIR=build-release ./dev.sh bench or a plain
#    Release build), pack what the call needs into .gl/ (ignored by git):
#      bench/gpu/frame_1080p.sh --prepare build-release
#    It copies bench_frame, packs the demo's images, tracks and music events, and downloads the
#    X server, Mesa (for the X server's GLX), the GL dispatch libraries, GLFW and GLEW as .deb
#    files (--no-download skips that, for a dry run).
# 2. On the GPU machine, from the repository root, with .gl carried:
#      bench/gpu/frame_1080p.sh
#    It unpacks the .deb files into /, starts Xvfb, runs bench_frame at 1920x1080 with the GPU's
#    GLX (__GLX_VENDOR_LIBRARY_NAME=nvidia) and writes frame-1920x1080.md and glxinfo.txt under
#    $OUT. The table's first line names the GL renderer that drew it: check it is the GPU.
#
# Environment: BRUMELT_GLX_VENDOR (default nvidia; empty to leave the vendor to the system, as
# for a local dry run on llvmpipe), BRUMELT_GPU_FRAMES (measured frames per row, default 60),
# BRUMELT_GPU_WARMUP (default 5), BRUMELT_GPU_UNPACK (default 1; 0 leaves / alone),
# BRUMELT_GPU_SIZE (default 1920x1080).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
pack="$root/.gl"

prepare() {
  local build download=1
  build=$(cd "${1:-build-release}" && pwd)
  [ "${2:-}" = --no-download ] && download=0
  mkdir -p "$pack/bin"
  cp "$build/bench/bench_frame" "$pack/bin/"
  tar -czf "$pack/demo.tar.gz" -C "$build" demo/assets/greets.tga demo/assets/qrv.tga demo/tracks \
    content/music-events.txt
  if [ "$download" = 1 ]; then
    local o='-oAPT::Architecture=amd64 -oAPT::Architectures=amd64 -oDir::State::Lists=/tmp/amd64'
    mkdir -p /tmp/amd64/partial
    # shellcheck disable=SC2086
    apt-get $o update
    # shellcheck disable=SC2086
    (cd "$pack" && apt-get $o download \
      libglvnd0 libgl1 libglx0 libopengl0 libegl1 \
      libglfw3 libglew2.2 libx11-6 libx11-data libx11-xcb1 libxcb1 libxau6 libxdmcp6 libbsd0 libmd0 \
      libxext6 libxfixes3 libxxf86vm1 libxshmfence1 libxcb-dri2-0 libxcb-dri3-0 libxcb-glx0 \
      libxcb-present0 libxcb-randr0 libxcb-shm0 libxcb-sync1 libxcb-xfixes0 \
      xvfb xserver-common libxfont2 libfontenc1 libpixman-1-0 libunwind8 libfreetype6 libpng16-16 \
      libbrotli1 x11-xkb-utils libxkbfile1 xkb-data \
      libgl1-mesa-dri libglx-mesa0 libglapi-mesa libllvm15 libdrm2 libdrm-amdgpu1 \
      libdrm-nouveau2 libdrm-radeon1 libdrm-intel1 libpciaccess0 libsensors5 libz3-4 libxml2 \
      libicu72 libedit2 libffi8 libelf1 libtinfo6 mesa-utils)
  fi
  du -sh "$pack" >&2
}

run() {
  local out=${OUT:-$root/gpu-out} size=${BRUMELT_GPU_SIZE:-1920x1080}
  local vendor=${BRUMELT_GLX_VENDOR-nvidia} frames=${BRUMELT_GPU_FRAMES:-60}
  mkdir -p "$out"
  [ -x "$pack/bin/bench_frame" ] || { echo "frame_1080p: run --prepare first" >&2; exit 2; }
  if [ "${BRUMELT_GPU_UNPACK:-1}" = 1 ] && compgen -G "$pack/*.deb" >/dev/null; then
    for f in "$pack"/*.deb; do dpkg -x "$f" /; done
    ldconfig
  fi
  work=$(mktemp -d) # global: the exit trap removes it
  tar -xzf "$pack/demo.tar.gz" -C "$work"
  for d in /usr/local/nvidia/lib64 /usr/local/nvidia/lib; do
    [ -d "$d" ] && export LD_LIBRARY_PATH="$d${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
  done
  if [ -n "$vendor" ]; then export __GLX_VENDOR_LIBRARY_NAME=$vendor; fi

  local n
  for n in $(seq 140 180); do
    [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || break
  done
  Xvfb ":$n" -noreset -nolisten tcp -screen 0 "${size}x24" >"$out/xvfb.log" 2>&1 &
  xvfb_pid=$! # global, for the exit trap
  trap 'kill "$xvfb_pid" 2>/dev/null || true; rm -rf "$work"' EXIT
  export DISPLAY=":$n"
  for _ in $(seq 100); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.05; done

  (glxinfo -B >"$out/glxinfo.txt" 2>&1 || true)
  local events="$work/content/music-events.txt" rows=() s start
  for s in intro main breakdown climax; do
    start=$(awk -v s="$s" '$2 == "section" && $3 == s { print $1; exit }' "$events")
    rows+=($((${start:-0} + 128)))
  done
  local rowList
  rowList=$(IFS=,; echo "${rows[*]}")
  {
    echo "bench_frame at $size, GLX vendor ${vendor:-(system default)}:"
    echo
    (cd "$work/demo" && timeout 240 "$pack/bin/bench_frame" --frames "$frames" --warmup "${BRUMELT_GPU_WARMUP:-5}" \
      --rows "$rowList" --names intro,main,breakdown,climax --overhead "$size" \
      --overhead-frames "$frames" "$size")
  } | tee "$out/frame-$size.md"
}

case "${1:-}" in
  --prepare) prepare "${2:-build-release}" "${3:-}" ;;
  "") run ;;
  *) sed -n '2,23p' "$0" | sed 's/^# \{0,1\}//'; exit 2 ;;
esac
