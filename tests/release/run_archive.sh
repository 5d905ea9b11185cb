#!/usr/bin/env bash
# The Linux release archive on its own: unpacked into an empty folder, started there, its setup
# dialog answered with Enter, its window ended with Escape; passes when it exits with 0.
#   tests/release/run_archive.sh dist/brumelt-linux-x86_64.tar.gz      (needs DISPLAY)
set -euo pipefail
archive=$(realpath "$1")
work=$(mktemp -d)
demo_pid=
cleanup() {
  [ -n "$demo_pid" ] && kill -9 "$demo_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "release archive: $*" >&2; [ -s "$work/stderr" ] && sed 's/^/  | /' "$work/stderr" >&2; exit 1; }

tar -C "$work" -xzf "$archive"
folder="$work/brumelt-linux-x86_64"
for f in brumelt README.txt assets/music.mp3 assets/greets.tga assets/qrv.tga tracks/sync_uBass.track; do
  [ -e "$folder/$f" ] || fail "$f is missing from the archive"
done

# Only what the archive holds: started from its folder, with a silent real-time audio driver.
(cd "$folder" && exec env SDL_AUDIODRIVER=dummy ./brumelt 2>"$work/stderr") &
demo_pid=$!

dialog=$(timeout 30 xdotool search --sync --onlyvisible --name '^QRV :: Brumelt$' | head -n 1) ||
  fail "no setup dialog within 30 s"
# Enter is pressed again while the dialog stays up: a key sent before it takes focus is lost.
for _ in $(seq 20); do
  xdotool windowfocus --sync "$dialog" 2>/dev/null && xdotool key Return 2>/dev/null || true
  sleep 0.5
  xdotool search --onlyvisible --name '^QRV :: Brumelt$' >/dev/null 2>&1 || break
done
window=$(timeout 60 xdotool search --sync --onlyvisible --name '^QRV at Solvance 2014$' | head -n 1) ||
  fail "no demo window within 60 s of Enter"
sleep 2 # a few frames of the show
for _ in $(seq 20); do
  xdotool windowfocus --sync "$window" 2>/dev/null && xdotool key Escape 2>/dev/null || true
  sleep 0.5
  kill -0 "$demo_pid" 2>/dev/null || break
done
status=0
timeout 30 tail --pid="$demo_pid" -f /dev/null || fail "the demo did not end after Escape"
wait "$demo_pid" || status=$?
demo_pid=
[ "$status" -eq 0 ] || fail "exit status $status, expected 0"
echo "release archive: dialog, window and Escape -> exit 0 from an empty folder"
