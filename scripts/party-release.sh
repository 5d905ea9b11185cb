#!/usr/bin/env bash
# The party release, dist/brumelt-party.zip, laid out as demo parties and demo archives expect:
# everything at the top of the zip, the compo version brumelt.exe (x86) beside brumelt64.exe
# (x86-64) and the Linux brumelt, assets/ and tracks/, brumelt.nfo (plain ASCII, at most 80
# columns), file_id.diz (at most 45 columns and 10 lines) and brumelt.png, a 1920 x 1080 still
# of the row showPartyStillRow drawn by brumelt-capture. Title, group and party are the show's
# own (src/base/show.h).
#   scripts/party-release.sh LINUX_BUILD_DIR RELEASE_BUILD_DIR      (needs DISPLAY)
# LINUX_BUILD_DIR/demo gives the data and brumelt-capture, RELEASE_BUILD_DIR/demo the Linux
# program; BRUMELT_WIN32_BUILD_DIR and BRUMELT_WIN64_BUILD_DIR (build-win32, build-win64) the
# Windows ones.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
demo=$(cd "${1:?the Linux build folder}" && pwd)/demo
linux_program=$(cd "${2:?the release build folder}" && pwd)/demo/brumelt
win32=${BRUMELT_WIN32_BUILD_DIR:-build-win32}
win64=${BRUMELT_WIN64_BUILD_DIR:-build-win64}

log() { printf '[party] %s\n' "$*" >&2; }
fail() { log "$*"; exit 1; }

# A string or number constant of src/base/show.h.
show_constant() { sed -n "s/^inline constexpr [^=]* $1 = \"\{0,1\}\([^\";]*\)\"\{0,1\};$/\1/p" src/base/show.h; }

window_title=$(show_constant showWindowTitle) # "GROUP at PARTY"
dialog_title=$(show_constant showDialogTitle) # "GROUP :: TITLE"
group=${dialog_title% :: *}
title=${dialog_title#* :: }
party=${window_title#"$group" at }
still_row=$(show_constant showPartyStillRow)
length=$(show_constant showLengthSeconds | sed 's/\.0$//')
if [ -z "$group" ] || [ -z "$title" ] || [ "$party" = "$window_title" ] || [ -z "$still_row" ]; then
  fail "cannot read the title, group, party and still row from src/base/show.h"
fi

for f in "$win32/demo/brumelt.exe" "$win64/demo/brumelt.exe" "$linux_program" \
  "$demo/brumelt-capture" "$demo/assets/music.mp3"; do
  [ -f "$f" ] || fail "$f is missing (./dev.sh build, scripts/windows.sh build and the release build make it)"
done

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$win32/demo/brumelt.exe" "$stage/brumelt.exe"
cp "$win64/demo/brumelt.exe" "$stage/brumelt64.exe"
cp "$linux_program" "$stage/brumelt"
cp -r "$demo/assets" "$demo/tracks" "$stage/"

# The still, from the demo folder (brumelt-capture reads assets/ and tracks/ there).
if ! (cd "$demo" && ./brumelt-capture --size 1920x1080 --rows "$still_row" "$stage/still" \
  >/dev/null 2>"$stage/capture.log"); then
  cat "$stage/capture.log" >&2
  fail "brumelt-capture could not draw row $still_row"
fi
rm "$stage/capture.log"
mv "$stage/still/row-$still_row.png" "$stage/brumelt.png"
rmdir "$stage/still"

glibc=$(objdump -T "$linux_program" | grep -o '(GLIBC_[0-9.]*)' | tr -d '()' | sed 's/^GLIBC_//' |
  sort -V | tail -n 1)
packages() { # packages COLUMN: the Linux runtime packages by their Debian 12 (1) or 13 (2) names
  grep -v -e '^#' -e '^[[:space:]]*$' scripts/linux-runtime-packages.txt | awk -v c="$1" '{print $c}' |
    paste -sd' '
}
centred() { printf '%*s\n' $(((78 + ${#1}) / 2)) "$1"; }
spaced() { sed 's/./& /g; s/ $//' <<<"${1^^}"; }
rule=$(printf '  %s' "$(printf -- '-%.0s' $(seq 76))")

{
  echo
  centred "$(spaced "$title")"
  echo
  centred "a demo by $group"
  centred "released at $party"
  echo
  echo "$rule"
  cat <<TEXT

  Title    $title
  Group    $group
  Party    $party
  Length   $length seconds, one music track

  One music track plays, and in time with it a raymarched city of wire-frame
  boxes streams past the camera, with a wire-frame ball, a greetings strip, a
  logo reveal and a fade to black.

  Credits
    code, music (rendered by our own synthesizer), pictures and choreography:
    $group

$rule

  Files
    brumelt.exe     Windows, x86 (the compo version)
    brumelt64.exe   Windows, x86-64
    brumelt         Linux, x86-64
    assets/         the music and the pictures   } beside the program, which
    tracks/         the animation tracks         } reads them from its folder
    brumelt.png     a still of the show
    file_id.diz     the short description

  Running it
    Start the program from this folder. A small dialog, "$dialog_title",
    offers the screen's resolutions and a Fullscreen box: Run (or Enter)
    starts the show, Cancel (or Escape) leaves.

  Controls
    Escape ends the show; so does closing the window. Nothing else is needed.

  Exit codes
     0  normal end: the show ran out, the window was closed, or Escape
    -1  the setup dialog was cancelled (255 as a process status on Linux)
     1  the audio device could not be initialised
     2  assets/music.mp3 is missing, unreadable or not an MP3 file
     3  the track set could not be created
     4  no window, no OpenGL context, or a needed OpenGL entry point is missing
    Every failure prints one line naming its cause on the error output.

$rule

  What it needs
    All:      an OpenGL 2.0 driver with framebuffer objects, a sound output
    Windows:  Windows 7 or later (brumelt64.exe: 64-bit Windows); nothing to
              install, only Windows' own DLLs
    Linux:    x86-64, glibc $glibc or newer, an X display (or XWayland), and
TEXT
  fmt -w 64 <<<"these packages with what they depend on: $(packages 1) (Debian 12); $(packages 2) (Debian 13)" |
    sed 's/^/              /'
  cat <<TEXT

  Seen to run on Debian 12 and Debian 13 (Xvfb, Mesa's software renderer) and
  under Wine 8.0 as Windows 7 SP1 (brumelt64.exe).

$rule
TEXT
} >"$stage/brumelt.nfo"

cat >"$stage/file_id.diz" <<TEXT
$title by $group
a demo released at $party

$length seconds of a raymarched city of
wire-frame boxes, in time with one music
track. Windows (x86, x86-64) and Linux
(x86-64); OpenGL 2.0.
TEXT

mkdir -p dist
rm -f dist/brumelt-party.zip
(cd "$stage" && zip -q -r -X "$root/dist/brumelt-party.zip" \
  brumelt.nfo file_id.diz brumelt.exe brumelt64.exe brumelt brumelt.png assets tracks)
log "dist/brumelt-party.zip: $(du -h dist/brumelt-party.zip | cut -f1)"
