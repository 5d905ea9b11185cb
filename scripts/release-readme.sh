#!/usr/bin/env bash
# Writes the plain-text README of a release archive on stdout.
#   scripts/release-readme.sh linux|windows-x64|windows-x86|web [BINARY]
# For the desktop builds BINARY is the program; what it needs is read from it: for Linux the
# newest glibc and libstdc++ symbol versions (objdump -T), the libraries it links, each checked
# against the runtime package list (scripts/linux-runtime-packages.txt), and the oldest package
# versions that hold its symbols (dpkg-shlibdeps, where installed); for Windows the DLLs.
set -euo pipefail
platform=$1
binary=${2:-}
scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

fail() { echo "release-readme: $*" >&2; exit 1; }

needed_dlls() {
  case "$platform" in
    windows-x64) x86_64-w64-mingw32-objdump -p "$binary" | awk '/DLL Name/ {print "  " $3}' ;;
    windows-x86) i686-w64-mingw32-objdump -p "$binary" | awk '/DLL Name/ {print "  " $3}' ;;
  esac
}

runtime_packages() { grep -v -e '^#' -e '^[[:space:]]*$' "$scripts/linux-runtime-packages.txt"; }

# The newest version of a symbol family (GLIBC, GLIBCXX) the binary asks for, e.g. 2.34.
newest_symbol_version() { # newest_symbol_version FAMILY
  objdump -T "$binary" | grep -o "($1_[0-9.]*)" | tr -d '()' | sed "s/^$1_//" | sort -V | tail -n 1
}

# Every library the binary links must come from a listed package or from what one of them
# depends on directly (on this Debian 12 machine); otherwise the list is out of date.
check_runtime_packages() {
  local listed covered soname path owner
  listed=$(runtime_packages | awk '{print $1}')
  covered=$(for p in $listed; do
    echo "$p"
    dpkg-query -W -f='${Depends},${Pre-Depends}\n' "$p" 2>/dev/null | tr ',|' '\n' |
      sed -e 's/([^)]*)//g' -e 's/:any//' -e 's/[[:space:]]//g'
  done | sort -u)
  for soname in $(objdump -p "$binary" | awk '/NEEDED/ {print $2}'); do
    path=$(ldconfig -p | awk -v s="$soname" '$1 == s && /x86-64/ && !found {print $NF; found = 1}')
    [ -n "$path" ] || fail "$soname, which $binary links, is not installed here"
    # With /lib merged into /usr/lib, dpkg knows a library under one of its two names.
    owner=$( (dpkg -S "$path" || dpkg -S "/usr${path#/usr}" || dpkg -S "${path#/usr}") 2>/dev/null |
      head -n 1 | cut -d: -f1)
    [ -n "$owner" ] || fail "no Debian package holds $path"
    grep -qx -- "$owner" <<<"$covered" ||
      fail "$soname (package $owner) is linked but not in scripts/linux-runtime-packages.txt"
  done
}

# "PACKAGE VERSION" a line: the oldest version of each package that has every symbol the binary
# uses, from the Debian 12 packages' symbol files.
oldest_versions() {
  local work program
  command -v dpkg-shlibdeps >/dev/null || return 0
  program=$(realpath "$binary")
  work=$(mktemp -d)
  mkdir "$work/debian"
  printf 'Source: brumelt\n\nPackage: brumelt\nArchitecture: any\n' >"$work/debian/control"
  (cd "$work" && dpkg-shlibdeps -O "$program" 2>/dev/null) |
    sed -n 's/^shlibs:Depends=//p' | tr ',' '\n' |
    sed -n 's/^ *\([^ ]*\) (>= \([^)]*\)).*/\1 \2/p' |
    awk '{v = $2; sub(/^[0-9]+:/, "", v); sub(/-[^-]*$/, "", v); print $1, v}'
  rm -rf "$work"
}

linux_system() {
  local glibc glibcxx
  glibc=$(newest_symbol_version GLIBC)
  glibcxx=$(newest_symbol_version GLIBCXX)
  cat <<TEXT
- Linux on x86-64 with glibc $glibc or newer and a libstdc++ with GLIBCXX_$glibcxx (the newest
  symbol versions the program asks for; Debian 11's glibc 2.31 is too old).
- An X display: an X server, or XWayland on a Wayland desktop. The program asks GLFW 3.4 for
  X11 whenever DISPLAY is set, so that fullscreen switches the display mode; only where
  nothing but Wayland is named does GLFW 3.4 open a native Wayland window, on which a
  fullscreen window keeps the monitor's mode.
TEXT
}

linux_libraries() {
  local versions
  check_runtime_packages
  versions=$(oldest_versions)
  cat <<TEXT
- These packages and what they depend on (the oldest version that has every function the
  program calls, where the package's symbol list says):

    Debian 12          Debian 13          for
TEXT
  runtime_packages | while read -r old new what; do
    local floor
    floor=$(awk -v p="$old" '$1 == p {print $2}' <<<"$versions")
    [ -n "$floor" ] && what="$what ($floor or newer)"
    printf '    %-18s %-18s %s\n' "$old" "$new" "$what"
  done
  cat <<'TEXT'

  Other distributions have the same libraries under similar names.

Where it has been seen to run
-----------------------------

Debian 12 (bookworm), where it is built, and Debian 13 (trixie) with nothing but the packages
above installed: the release tests unpack this archive there and run it on an X server
(Xvfb, Mesa's software renderer): the dialog, the show, Escape, a missing music file and a
damaged image, also with Wayland's variables set and no Wayland compositor answering.
TEXT
}

cat <<'TEXT'
Brumelt
=======

A real-time audiovisual demo by QRV, released at Solvance 2014: one music track plays, and in
time with it a raymarched city of wire-frame boxes streams past the camera, with a wire-frame
ball, a greetings strip, a logo reveal and a fade to black. The show runs 157 seconds.

Credits: code, music (rendered by our own synthesizer), pictures and choreography by QRV.

TEXT

case "$platform" in
  linux | windows-*)
    if [ "$platform" = linux ]; then program=./brumelt; else program=brumelt.exe; fi
    cat <<TEXT
Running it
----------

Start $program from this folder (it reads assets/ and tracks/ beside it). A small dialog,
"QRV :: Brumelt", offers the screen's resolutions and a Fullscreen box: Run (or Enter) starts
the show, Cancel (or Escape) leaves.

Controls: Escape ends the show; so does closing the window. Nothing else is needed.

Exit codes
----------

   0  normal end: 157 s passed, the window was closed, or Escape was pressed
  -1  the setup dialog was cancelled (255 as a process status on Linux)
   1  the audio device could not be initialised
   2  assets/music.mp3 is missing, unreadable or not an MP3 file
   3  the track set could not be created
   4  no window, no OpenGL context, or a required OpenGL entry point is missing

Every failure prints one line naming its cause on the error output.

What the machine needs
----------------------

TEXT
    case "$platform" in
      linux) linux_system ;;
      windows-x64) echo "- Windows 7 or later, 64-bit (x86-64)." ;;
      windows-x86) echo "- Windows 7 or later, 32-bit or 64-bit." ;;
    esac
    cat <<'TEXT'
- An OpenGL 2.0 driver with framebuffer objects (any GPU of the last fifteen years, or Mesa's
  software renderer: slower, same picture).
- A sound output (no sound device: exit code 1).
TEXT
    if [ "$platform" = linux ]; then
      linux_libraries
    else
      cat <<'TEXT'
- Nothing to install: the program uses only these libraries of Windows itself:
TEXT
      needed_dlls
      cat <<'TEXT'

Where it has been seen to run
-----------------------------

TEXT
      if [ "$platform" = windows-x64 ]; then
        cat <<'TEXT'
Under Wine 8.0 on Debian 12, which presents itself as Windows 7 SP1 (6.1.7601), with Mesa's
software renderer: the dialog, the display modes, fullscreen, the show, Escape, the close box,
a missing music file, no sound device and damaged images; its frames equal the Linux build's.
TEXT
      else
        cat <<'TEXT'
Under 32-bit Wine 8.0 on Debian 12, which presents itself as Windows 7 SP1 (6.1.7601), with
Mesa's software renderer and the CPU emulated (the test machines run no 32-bit code): the
dialog, the display modes, the show in a small window, Escape, a missing music file (fullscreen,
the display mode given back), no sound device and damaged images; its frames equal the Linux
build's.
TEXT
      fi
    fi
    ;;
  web)
    cat <<'TEXT'
Running it
----------

Serve this folder with any static web server and open its address (a page opened as a file://
address cannot load its data). For example, from this folder:

  python3 -m http.server --bind 127.0.0.1 8000      then open http://127.0.0.1:8000/

Choose a resolution and Fullscreen, then Run: the click starts the music and the show. Escape,
or leaving fullscreen, ends it; the page then offers to watch again. ?row=N in the address
draws the single frame at track row N (22 rows a second) and stops.

What the browser needs
----------------------

WebGL 1, and MP3 playback in an <audio> element.

Where it has been seen to run
-----------------------------

TEXT
    version=$(chromium --version 2>/dev/null | awk '{print $2}' || true)
    cat <<TEXT
Headless Chromium${version:+ $version} on Debian 12, with WebGL on SwiftShader (a software
renderer): the choices, the show on the music's clock, Escape, Watch again, a damaged image
or music file, and stills that match the desktop build's.
TEXT
    ;;
esac
