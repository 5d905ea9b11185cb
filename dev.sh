#!/usr/bin/env bash
# One entry for every set-up task on a fresh Debian 12 machine:
#   ./dev.sh run    install what is missing, build, start the demo from its folder
#   ./dev.sh test   install what is missing, build, run the whole test suite
#   ./dev.sh build  install what is missing and build (demo folder: build/demo)
#   ./dev.sh bench  build and run the benchmarks, writing BENCHMARKS.md
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
cd "$here"
build_dir=${BRUMELT_BUILD_DIR:-build}
asan_dir=${BRUMELT_ASAN_BUILD_DIR:-build-asan}
jobs=$(nproc)

log() { printf '[dev] %s\n' "$*" >&2; }

install_packages() {
  local wanted missing=()
  wanted=$(grep -v -e '^#' -e '^$' scripts/debian-packages.txt)
  for p in $wanted; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  log "installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

build() { # build DIR [cmake options...]
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

# Starts one Xvfb for the whole test run when there is no display, with room for the largest
# mode the tests add; it goes away with this script.
ensure_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  local n
  for n in $(seq 90 130); do
    [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || break
  done
  Xvfb ":$n" -noreset -nolisten tcp -screen 0 1920x1080x24 >/dev/null 2>&1 &
  xvfb_pid=$!
  trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
  export DISPLAY=":$n"
  for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && return 0; sleep 0.05; done
  log "Xvfb did not start on $DISPLAY"; exit 1
}

run_tests() { # run_tests DIR [ctest options...]
  local dir=$1; shift
  (cd "$dir" && ctest --output-on-failure -j "$jobs" "$@")
}

cmd=${1:-}
case "$cmd" in
  run)
    install_packages
    build "$build_dir"
    cd "$build_dir/demo" && exec ./brumelt
    ;;
  build)
    install_packages
    build "$build_dir"
    ;;
  test)
    install_packages
    build "$build_dir"
    ensure_display
    run_tests "$build_dir"
    log "sanitizer build (AddressSanitizer + UndefinedBehaviorSanitizer)"
    build "$asan_dir" -DBRUMELT_SANITIZE=ON -DBRUMELT_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
    ASAN_OPTIONS=detect_leaks=1 run_tests "$asan_dir" -LE 'slow|nosan'
    ;;
  bench)
    install_packages
    build "$build_dir" -DCMAKE_BUILD_TYPE=Release
    ensure_display
    bench/run_all.sh "$build_dir"
    ;;
  *)
    sed -n '2,6p' "$0" | sed 's/^# \{0,1\}//'
    exit 2
    ;;
esac
