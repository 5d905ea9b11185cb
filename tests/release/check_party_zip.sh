#!/usr/bin/env bash
# The party release as a party's or an archive's tools see it: unpacked into an empty folder,
# every file at the top where they look for it and nothing else there, each program of the kind
# its name promises, brumelt.nfo plain ASCII within 80 columns, file_id.diz within 45 columns
# and 10 lines, both naming the show's title, group and party, and brumelt.png a 1920 x 1080
# picture that is not blank.
#   tests/release/check_party_zip.sh dist/brumelt-party.zip
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
zip=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
problems=()
problem() { problems+=("$*"); }

(cd "$work" && unzip -q "$zip")

# Everything the release holds, at the top of the zip.
for f in brumelt.exe brumelt64.exe brumelt assets/music.mp3 assets/greets.tga assets/qrv.tga \
  brumelt.nfo file_id.diz brumelt.png; do
  [ -f "$work/$f" ] || problem "$f is missing"
done
[ -n "$(find "$work/tracks" -name 'sync_*.track' 2>/dev/null)" ] || problem "tracks/ holds no track file"
stray=$(find "$work" -mindepth 1 -maxdepth 1 -printf '%f\n' | grep -vx -e brumelt.exe \
  -e brumelt64.exe -e brumelt -e assets -e tracks -e brumelt.nfo -e file_id.diz -e brumelt.png || true)
[ -z "$stray" ] || problem "the top of the zip holds more than the release: ${stray//$'\n'/ }"

# Each program is what its name says: brumelt.exe the x86 build, brumelt64.exe the x86-64 one.
kind() { [ -f "$work/$1" ] && file -b "$work/$1"; }
kind brumelt.exe | grep -q '^PE32 executable (GUI) Intel 80386' ||
  problem "brumelt.exe is not an x86 Windows program: $(kind brumelt.exe)"
kind brumelt64.exe | grep -q '^PE32+ executable (GUI) x86-64' ||
  problem "brumelt64.exe is not an x86-64 Windows program: $(kind brumelt64.exe)"
kind brumelt | grep -q '^ELF 64-bit LSB .*x86-64' ||
  problem "brumelt is not an x86-64 Linux program: $(kind brumelt)"
[ -x "$work/brumelt" ] || problem "brumelt is not executable after unpacking"

# The show's own texts: "GROUP :: TITLE" and "GROUP at PARTY".
show_string() { sed -n "s/^inline constexpr const char\* $1 = \"\(.*\)\";$/\1/p" "$repo/src/base/show.h"; }
dialog_title=$(show_string showDialogTitle)
window_title=$(show_string showWindowTitle)
group=${dialog_title% :: *}
title=${dialog_title#* :: }
party=${window_title#"$group" at }

text_limits() { # text_limits FILE COLUMNS [LINES]
  local file=$work/$1 widest lines
  [ -f "$file" ] || return 0
  LC_ALL=C grep -q '[^ -~]' "$file" && problem "$1 holds bytes that are not printable ASCII: $(
    LC_ALL=C grep -n '[^ -~]' "$file" | head -n 3 | cut -c1-60 | tr '\n' ' ')"
  widest=$(awk '{ if (length($0) > w) w = length($0) } END { print w + 0 }' "$file")
  [ "$widest" -le "$2" ] || problem "$1 has a line of $widest columns (at most $2)"
  lines=$(wc -l <"$file")
  [ -z "${3:-}" ] || [ "$lines" -le "$3" ] || problem "$1 has $lines lines (at most $3)"
  [ "$(tail -c 1 "$file" | od -An -c | tr -d ' ')" = '\n' ] || problem "$1 does not end with a line end"
  for text in "$title" "$group" "$party"; do
    grep -qF -- "$text" "$file" || problem "$1 does not name \"$text\""
  done
}
text_limits brumelt.nfo 80
text_limits file_id.diz 45 10
for text in Escape 'Exit codes' 'OpenGL 2.0' 'Windows 7' glibc; do
  grep -qF -- "$text" "$work/brumelt.nfo" 2>/dev/null || problem "brumelt.nfo says nothing of \"$text\""
done

if [ -f "$work/brumelt.png" ]; then
  read -r format width height mean < <(identify -format '%m %w %h %[fx:mean]\n' "$work/brumelt.png")
  [ "$format $width $height" = "PNG 1920 1080" ] ||
    problem "brumelt.png is a $format of $width x $height, not a PNG of 1920 x 1080"
  awk -v m="$mean" 'BEGIN { exit !(m > 0.02) }' || problem "brumelt.png is blank (mean $mean)"
fi

if [ ${#problems[@]} -gt 0 ]; then
  printf 'party release: %s\n' "${problems[@]}" >&2
  exit 1
fi
echo "party release: $(unzip -Z1 "$zip" | wc -l) entries; brumelt.nfo and file_id.diz within their limits; brumelt.png 1920 x 1080"
