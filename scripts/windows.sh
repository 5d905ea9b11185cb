#!/usr/bin/env bash
# The Windows build, for dev.sh (run from the repository root):
#   scripts/windows.sh build LINUX_BUILD_DIR [CMAKE_OPTION...]
#                                              cross-build build-win64/ and build-win32/; each
#                                              demo folder gets assets/ and tracks/ from
#                                              LINUX_BUILD_DIR/demo (build that first)
#   scripts/windows.sh test                    the Wine tests of the x86-64 build (needs X: each
#                                              test starts an Xvfb of its own)
#   scripts/windows.sh test32                  the tests of the x86 build (CTest label wine32), in
#                                              the way scripts/i386-root.sh chooses; records the
#                                              brumelt.exe they passed with
#   scripts/windows.sh dist                    dist/brumelt-windows-x64.zip and -x86.zip: the demo
#                                              folder and the release README.txt; the x86 one only
#                                              with the brumelt.exe test32 passed with (it runs
#                                              test32 first when that is another)
# BRUMELT_WIN64_BUILD_DIR and BRUMELT_WIN32_BUILD_DIR move the build folders.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
win64=${BRUMELT_WIN64_BUILD_DIR:-build-win64}
win32=${BRUMELT_WIN32_BUILD_DIR:-build-win32}

log() { printf '[windows] %s\n' "$*" >&2; }

cross_build() { # cross_build DIR TOOLCHAIN LINUX_DEMO_DIR [CMAKE_OPTION...]
  local dir=$1 toolchain=$2 demo=$3
  shift 3
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/$toolchain.cmake" \
    -DBRUMELT_LINUX_DEMO_DIR="$demo" "$@" >/dev/null
  cmake --build "$dir" -j "$(nproc)"
}

# A .exe must need nothing but the DLLs of Windows itself.
check_imports() { # check_imports OBJDUMP EXE
  local dll foreign=()
  if [ ! -f "$2" ]; then
    log "$2 was not built"
    return 1
  fi
  for dll in $("$1" -p "$2" | sed -n 's/^\s*DLL Name: //p'); do
    case "${dll,,}" in
      kernel32.dll | user32.dll | gdi32.dll | opengl32.dll | winmm.dll | msacm32.dll | msvcrt.dll | \
        advapi32.dll | shell32.dll | ole32.dll) ;;
      *) foreign+=("$dll") ;;
    esac
  done
  if [ ${#foreign[@]} -gt 0 ]; then
    log "$2 needs DLLs Windows does not have: ${foreign[*]}"
    return 1
  fi
}

# The x86 brumelt.exe that passed its tests, by content.
tested32=$win32/wine32-passed.sha256
exe_hash() { sha256sum <"$1" | cut -d' ' -f1; }

test32() {
  local started=$SECONDS
  log "x86 build's tests: $(scripts/i386-root.sh mode)"
  rm -f "$tested32"
  (cd "$win32" && ctest --output-on-failure -L wine32)
  exe_hash "$win32/demo/brumelt.exe" >"$tested32"
  log "x86 build's tests passed in $((SECONDS - started)) s"
}

zip_demo() { # zip_demo BUILD_DIR NAME PLATFORM
  local stage
  [ -f "$1/demo/brumelt.exe" ] || { log "no $1/demo/brumelt.exe: run scripts/windows.sh build first"; return 1; }
  stage=$(mktemp -d)
  cp -r "$1/demo" "$stage/$2"
  scripts/release-readme.sh "$3" "$1/demo/brumelt.exe" >"$stage/$2/README.txt"
  rm -f "dist/$2.zip"
  (cd "$stage" && zip -q -r -X "$root/dist/$2.zip" "$2")
  rm -rf "$stage"
  log "dist/$2.zip: $(du -h "dist/$2.zip" | cut -f1)"
}

case "${1:-}" in
  build)
    linux_demo=$(cd "${2:?the Linux build folder}" && pwd)/demo
    shift 2
    cross_build "$win64" mingw-x86_64 "$linux_demo" "$@"
    cross_build "$win32" mingw-i686 "$linux_demo" "$@"
    check_imports x86_64-w64-mingw32-objdump "$win64/demo/brumelt.exe"
    check_imports i686-w64-mingw32-objdump "$win32/demo/brumelt.exe"
    ;;
  test)
    (cd "$win64" && ctest --output-on-failure -L wine)
    ;;
  test32)
    test32
    ;;
  dist)
    mkdir -p dist
    zip_demo "$win64" brumelt-windows-x64 windows-x64
    if [ "$(cat "$tested32" 2>/dev/null)" != "$(exe_hash "$win32/demo/brumelt.exe")" ]; then
      log "$win32/demo/brumelt.exe has not passed the x86 tests: running them"
      test32
    fi
    zip_demo "$win32" brumelt-windows-x86 windows-x86
    ;;
  *)
    sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//'
    exit 2
    ;;
esac
