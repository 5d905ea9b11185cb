#!/usr/bin/env bash
# Writes the plain-text README of a release archive on stdout.
#   scripts/release-readme.sh linux|windows-x64|windows-x86|web [BINARY]
# For the desktop builds BINARY is the program; the libraries it needs are read from it.
set -euo pipefail
platform=$1
binary=${2:-}

needed_libraries() {
  case "$platform" in
    linux) objdump -p "$binary" | awk '/NEEDED/ {print "  " $2}' ;;
    windows-x64) x86_64-w64-mingw32-objdump -p "$binary" | awk '/DLL Name/ {print "  " $3}' ;;
    windows-x86) i686-w64-mingw32-objdump -p "$binary" | awk '/DLL Name/ {print "  " $3}' ;;
  esac
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

- An OpenGL 2.0 driver with framebuffer objects (any GPU of the last fifteen years, or Mesa's
  software renderer: slower, same picture).
- A sound output (no sound device: exit code 1).
TEXT
    if [ "$platform" = linux ]; then
      echo "- These shared libraries (Debian 12 packages: libglfw3, libglew2.2, libsdl2-2.0-0,"
      echo "  libmpg123-0, libgtk-3-0, libxrandr2, and their dependencies):"
    else
      echo "- Nothing to install: the program uses only these libraries of Windows itself:"
    fi
    needed_libraries
    ;;
  web)
    cat <<'TEXT'
Running it
----------

Serve this folder with any static web server and open index.html, e.g.

  python3 -m http.server --bind 127.0.0.1 8000      then open http://127.0.0.1:8000/

Choose a resolution and Fullscreen, then Run: the click starts the music and the show. Escape,
or leaving fullscreen, ends it; the page then offers to watch again. ?row=N in the address
draws the single frame at track row N (22 rows a second) and stops.

What the browser needs: WebGL 1 and MP3 playback (every current desktop browser).
TEXT
    ;;
esac
