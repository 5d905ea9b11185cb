#!/usr/bin/env bash
# One entry for every set-up task on a fresh Debian 12 machine:
#   ./dev.sh run    install what is missing, build, start the demo from its folder
#   ./dev.sh test   install what is missing, build, run the whole test suite
#   ./dev.sh build  install what is missing and build (demo folder: build/demo)
#   ./dev.sh bench  build and run the benchmarks, writing BENCHMARKS.md
#   ./dev.sh fuzz [SECONDS]  build the libFuzzer targets with clang and run each for SECONDS (60)
#   ./dev.sh dist   build for release and write the archives to dist/
#   ./dev.sh web    build the browser version into build-web/site (Emscripten)
#   ./dev.sh serve [PORT]  serve build-web/site on 127.0.0.1 (port 8000) and print the address
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
cd "$here"
build_dir=${BRUMELT_BUILD_DIR:-build}
asan_dir=${BRUMELT_ASAN_BUILD_DIR:-build-asan}
release_dir=${BRUMELT_RELEASE_BUILD_DIR:-build-release}
tsan_dir=${BRUMELT_TSAN_BUILD_DIR:-build-tsan}
jobs=$(nproc)

log() { printf '[dev] %s\n' "$*" >&2; }

# Processes started here that end with this script (its Xvfb, the busy loops of the load step).
started_pids=()
trap 'kill "${started_pids[@]}" 2>/dev/null || true' EXIT
# shellcheck source=scripts/web.sh
. "$here/scripts/web.sh"

# Installs the Debian packages named in the given lists (one a line, # comments) that are missing,
# in one apt-get call; with no list, those the Linux build and its tests need.
install_packages() {
  local lists=("$@") wanted missing=() p
  [ ${#lists[@]} -gt 0 ] || lists=(scripts/debian-packages.txt)
  wanted=$(cat "${lists[@]}" | grep -v -e '^#' -e '^$')
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

# Every platform's packages: what the whole test suite and the release archives need.
all_package_lists=(scripts/debian-packages.txt scripts/web-packages.txt scripts/windows-packages.txt)

build() { # build DIR [cmake options...]
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

# Starts one Xvfb for the whole test run when there is no display, with room for the largest
# mode the tests add; the server picks a free display number and tells it (-displayfd), and it
# goes away with this script.
ensure_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  local number_file
  number_file=$(mktemp)
  Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1920x1080x24 3>"$number_file" >/dev/null 2>&1 &
  started_pids+=($!)
  for _ in $(seq 200); do [ -s "$number_file" ] && break; sleep 0.05; done
  export DISPLAY=":$(head -n 1 "$number_file")"
  rm -f "$number_file"
  xdpyinfo >/dev/null 2>&1 || { log "Xvfb did not start"; exit 1; }
}

run_tests() { # run_tests DIR [ctest options...]
  local dir=$1; shift
  (cd "$dir" && ctest --output-on-failure -j "$jobs" "$@")
}

# Runs a command beside COUNT busy loops at normal priority, as on a machine that other work
# keeps busy; the loops end with the command, however it ends (killed outright: a loop forked a
# moment before may not yet run the shell that would obey SIGTERM).
beside_busy_loops() { # beside_busy_loops COUNT COMMAND...
  local count=$1 status=0 pid loops=()
  shift
  for _ in $(seq "$count"); do
    sh -c 'while :; do :; done' &
    loops+=($!)
    started_pids+=($!)
  done
  "$@" || status=$?
  kill -KILL "${loops[@]}" 2>/dev/null || true
  for pid in "${loops[@]}"; do wait "$pid" 2>/dev/null || true; done
  return $status
}

# Runs every fuzz target for the given seconds on a scratch copy of its seed corpus, as many at
# once as there are cores; any finding fails the run and leaves the crashing input in the build
# folder.
fuzz_one() { # fuzz_one DIR TARGET SECONDS
  local dir=$1 target=$2 seconds=$3 name work
  name=$(basename "$target"); name=${name#fuzz_}
  work="$dir/fuzz-work/$name"
  rm -rf "$work"; mkdir -p "$work"
  [ -d "tests/fuzz/corpus/$name" ] && cp -r "tests/fuzz/corpus/$name/." "$work/"
  if "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$dir/fuzz-work/$name-" "$work" >"$dir/fuzz-work/$name.log" 2>&1; then
    log "fuzzed $name for ${seconds}s: $(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/fuzz-work/$name.log") inputs, no finding"
  else
    tail -n 40 "$dir/fuzz-work/$name.log" >&2
    log "fuzzer $name found a fault"
    return 1
  fi
}

run_fuzzers() { # run_fuzzers DIR SECONDS
  local dir=$1 seconds=$2 target failed=0 pids=()
  for target in "$dir"/fuzz/fuzz_*; do
    [ -x "$target" ] || continue
    fuzz_one "$dir" "$target" "$seconds" & pids+=($!)
    if [ ${#pids[@]} -ge "$jobs" ]; then
      wait "${pids[0]}" || failed=1
      pids=("${pids[@]:1}")
    fi
  done
  for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
  return $failed
}

# The Linux release: a Release build of the demo with the content of the main build (made the
# same whatever the build type) and README.txt, in dist/brumelt-linux-x86_64.tar.gz.
dist_linux() {
  local stage name=brumelt-linux-x86_64
  build "$build_dir"
  cmake -S . -B "$release_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBRUMELT_TESTS=OFF \
    -DBRUMELT_BENCH=OFF >/dev/null
  cmake --build "$release_dir" -j "$jobs" --target brumelt
  stage=$(mktemp -d)
  mkdir -p "$stage/$name" dist
  cp "$release_dir/demo/brumelt" "$stage/$name/"
  cp -r "$build_dir/demo/assets" "$build_dir/demo/tracks" "$stage/$name/"
  scripts/release-readme.sh linux "$release_dir/demo/brumelt" >"$stage/$name/README.txt"
  tar -C "$stage" --owner=0 --group=0 --sort=name -czf "dist/$name.tar.gz" "$name"
  rm -rf "$stage"
  log "wrote dist/$name.tar.gz"
}

cmd=${1:-}
case "$cmd" in
  run)
    install_packages
    build "$build_dir"
    cd "$build_dir/demo" && exec ./brumelt
    ;;
  build)
    install_packages scripts/debian-packages.txt scripts/windows-packages.txt
    build "$build_dir"
    scripts/windows.sh build "$build_dir"
    ;;
  test)
    install_packages "${all_package_lists[@]}"
    # The Debian 13 root for the release test and the i386 root for the x86 build's tests (where
    # this machine needs one: scripts/i386-root.sh) are made, or found, while the build and CTest
    # run; the steps below wait for them, and make them themselves if this did not.
    mkdir -p "$build_dir"
    nice -n 10 tests/release/trixie_root.sh make >"$build_dir/debian13-root.log" 2>&1 &
    root_maker=$!
    nice -n 10 scripts/i386-root.sh setup >"$build_dir/i386-root.log" 2>&1 &
    i386_root_maker=$!
    build "$build_dir" -DBRUMELT_WERROR=ON
    ensure_display
    run_tests "$build_dir"
    log "timing-sensitive tests (label timing) again, beside two busy processes"
    beside_busy_loops 2 run_tests "$build_dir" -L timing
    log "release archive: unpacked into an empty folder and run"
    dist_linux
    tests/release/run_archive.sh "dist/brumelt-linux-x86_64.tar.gz"
    log "release archive on Debian 13: a minimal root with the packages README.txt names"
    wait "$root_maker" || log "the root was not made in the background; trying once more"
    cat "$build_dir/debian13-root.log" >&2
    tests/release/trixie_root.sh test "dist/brumelt-linux-x86_64.tar.gz"
    log "Windows builds (mingw-w64), tests under Wine (the x86 build's beside the x86-64 build's)"
    scripts/windows.sh build "$build_dir" -DBRUMELT_WERROR=ON
    log "party release: unpacked and checked"
    scripts/party-release.sh "$build_dir" "$release_dir"
    tests/release/check_party_zip.sh dist/brumelt-party.zip
    # The x86 cases are slow where the CPU is emulated, and use about one core: they run beside
    # the x86-64 cases on what CPU those leave (lower priority, so that the real-time audio cases
    # keep theirs), their output held back until they are done. A set-up that failed above shows
    # again, with its cause, in their first case.
    wait "$i386_root_maker" || log "the i386 root was not made in the background; its tests try again"
    nice -n 10 scripts/windows.sh test32 >"$build_dir/wine32-tests.log" 2>&1 &
    x86_tests=$!
    started_pids+=("$x86_tests")
    x64_status=0 x86_status=0
    scripts/windows.sh test || x64_status=$?
    wait "$x86_tests" || x86_status=$?
    cat "$build_dir/i386-root.log" "$build_dir/wine32-tests.log" >&2
    if [ $x64_status -ne 0 ] || [ $x86_status -ne 0 ]; then
      log "Windows tests failed (x86-64: status $x64_status, x86: status $x86_status)"
      exit 1
    fi
    web_test
    log "sanitizer build (AddressSanitizer + UndefinedBehaviorSanitizer)"
    build "$asan_dir" -DBRUMELT_WERROR=ON -DBRUMELT_SANITIZE=ON -DBRUMELT_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
    ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS="suppressions=$here/tests/lsan.supp:print_suppressions=0" \
      run_tests "$asan_dir" -LE slow
    log "ThreadSanitizer build of the suites labelled threads (audio device, play clock, studio)"
    cmake -S . -B "$tsan_dir" -G Ninja -DBRUMELT_WERROR=ON -DBRUMELT_TSAN=ON -DBRUMELT_BENCH=OFF \
      -DCMAKE_BUILD_TYPE=Debug >/dev/null
    cmake --build "$tsan_dir" -j "$jobs" --target threads_tests
    TSAN_OPTIONS="halt_on_error=1 suppressions=$here/tests/tsan.supp" run_tests "$tsan_dir" -L threads
    log "fuzzing (clang, libFuzzer with AddressSanitizer and UndefinedBehaviorSanitizer)"
    fuzz_dir=${BRUMELT_FUZZ_BUILD_DIR:-build-fuzz}
    CC=clang CXX=clang++ build "$fuzz_dir" -DBRUMELT_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
    run_fuzzers "$fuzz_dir" "${BRUMELT_FUZZ_SECONDS:-60}"
    ;;
  bench)
    install_packages
    build "$build_dir" -DCMAKE_BUILD_TYPE=Release
    ensure_display
    bench/run_all.sh "$build_dir"
    ;;
  dist)
    install_packages "${all_package_lists[@]}"
    dist_linux
    scripts/windows.sh build "$build_dir"
    scripts/windows.sh dist
    ensure_display # the party release's still
    scripts/party-release.sh "$build_dir" "$release_dir"
    web_dist
    ;;
  fuzz)
    install_packages
    fuzz_dir=${BRUMELT_FUZZ_BUILD_DIR:-build-fuzz}
    CC=clang CXX=clang++ build "$fuzz_dir" -DBRUMELT_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
    run_fuzzers "$fuzz_dir" "${2:-60}"
    ;;
  web)
    install_packages
    web_build
    ;;
  serve)
    web_serve "${2:-}"
    ;;
  *)
    sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//'
    exit 2
    ;;
esac
