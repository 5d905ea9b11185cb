#!/usr/bin/env bash
# The Linux release archive on its own: unpacked into an empty folder, started there, its setup
# dialog answered with Enter, its window ended with Escape; passes when it exits with 0.
#   tests/release/run_archive.sh dist/brumelt-linux-x86_64.tar.gz      (needs DISPLAY)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
archive=$(realpath "$1")
work=$(mktemp -d)
demo_pid=
cleanup() {
  if [ -n "$demo_pid" ]; then kill -9 "$demo_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "release archive: $*" >&2; [ -s "$work/stderr" ] && sed 's/^/  | /' "$work/stderr" >&2; exit 1; }
# shellcheck source=tests/release/demo_driver.sh
. "$here/demo_driver.sh"

tar -C "$work" -xzf "$archive"
folder="$work/brumelt-linux-x86_64"
for f in brumelt README.txt assets/music.mp3 assets/greets.tga assets/qrv.tga tracks/sync_uBass.track; do
  [ -e "$folder/$f" ] || fail "$f is missing from the archive"
done

# Only what the archive holds: started from its folder, with a silent real-time audio driver.
(cd "$folder" && exec env SDL_AUDIODRIVER=dummy ./brumelt 2>"$work/stderr") &
demo_pid=$!
press_run
press_escape "$demo_pid"
wait_demo "$demo_pid"
demo_pid=
[ "$demo_status" -eq 0 ] || fail "exit status $demo_status, expected 0"
only_demo_lines "$work/stderr"
echo "release archive: dialog, window and Escape -> exit 0 from an empty folder"
