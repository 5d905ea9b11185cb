#!/usr/bin/env bash
# The Windows build under Wine, one case per call:
#   wine_test.sh CASE WINDOWS_BUILD_DIR [LINUX_BUILD_DIR]
# Each case runs on an X server of its own (so keys and windows never meet another test's) and in
# the Windows build's private Wine prefix, made on first use. Prints what it checks; exit status
# 0 when the case holds. Wine is called through its 64-bit loader directly: Debian's launcher
# picks the 32-bit one whenever wine32 is installed, and that one cannot run on every kernel.
# An x86 build runs through scripts/i386-root.sh (i386 Wine, emulated where the kernel runs no
# 32-bit code); its shows run at 320 x 180 instead of 800 x 600 or 1280 x 720, as every frame
# costs seconds under emulation, and its deadlines are four times as long.
set -uo pipefail

case_name=$1
build=$(cd "$2" && pwd)
linux_build=${3:+$(cd "$3" && pwd)}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

export WINEPREFIX=$build/wineprefix
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG=-all
demo_title='QRV at Solvance 2014'
dialog_title='QRV :: Brumelt'

work=$(mktemp -d "${TMPDIR:-/tmp}/brumelt-wine.XXXXXX")

# The machine field of a PE file's header: 14c for x86, 8664 for x86-64.
pe_machine() {
  local header
  header=$(od -An -t u4 -j 60 -N 4 "$1" | tr -d ' ')
  od -An -t x2 -j $((header + 4)) -N 2 "$1" | tr -d ' ' | sed 's/^0*//'
}
i386_root=$here/../../scripts/i386-root.sh
if [ "$(pe_machine "$build/brumelt-frame-dump.exe")" = 14c ]; then
  x86_way=$(bash "$i386_root" mode) || x86_way=""
  wine=(bash "$i386_root" run --bind "$build" --bind "$work" -- wine)
  slow=4
  pick=320x180 # the mode the shows run at, picked with Up from the preselected 1280 x 720
  extra_modes=("$pick")
  run_keys=(Tab Tab Up Return)
else
  x86_way=""
  wine=(/usr/lib/wine/wine64)
  export WINELOADER=/usr/lib/wine/wine64
  slow=1
  pick=800x600
  extra_modes=()
  run_keys=(Return)
fi
start_seconds=$((120 * slow)) # Wine start-up plus llvmpipe compiling the scene shader
pids=()
cleanup() {
  local pid
  [ -n "${sound_started:-}" ] && bash "$here/pulse_null_sink.sh" stop "$work/pulse"
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wineserver_cmd -k 2>/dev/null
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap cleanup EXIT

# In an i386 root each Wine command waits for its own server, which ends with its namespace.
wineserver_cmd() {
  case $x86_way in
    wine:*) wineserver "$@" ;;
    ?*) ;;
    *) if command -v wineserver >/dev/null; then wineserver "$@"; else /usr/lib/wine/wineserver64 "$@"; fi ;;
  esac
}

fail() {
  echo "FAIL ($case_name): $*"
  if [ -s "$work/err" ]; then echo "--- stderr of the program:"; tr -d '\r' <"$work/err" | tail -n 20; fi
  exit 1
}
say() { echo "$case_name: $*"; }

# An X server of this case's own, of the given screen size; with "wm", a window manager too.
# Further arguments add display modes (1280x720, 800x600), which Wine reports beside the
# screen's own size.
start_display() { # start_display WIDTHxHEIGHT [wm|-] [MODE...]
  local size=$1 wm=${2:-} mode
  shift $(($# < 2 ? $# : 2))
  # The server picks a free display number and writes it once it accepts connections.
  rm -f "$work/display"
  Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 "${size}x24" 3>"$work/display" >/dev/null 2>&1 &
  pids+=($!)
  local deadline=$((SECONDS + 30))
  until [ -s "$work/display" ] || [ $SECONDS -ge $deadline ]; do sleep 0.05; done
  export DISPLAY=":$(head -n 1 "$work/display")"
  xdpyinfo >/dev/null 2>&1 || fail "Xvfb did not start on $DISPLAY"
  for mode in "$@"; do
    case $mode in # timings from cvt, 60 Hz
      1280x720) xrandr --newmode 1280x720 74.48 1280 1336 1472 1664 720 721 724 746 -hsync +vsync ;;
      800x600) xrandr --newmode 800x600 38.22 800 832 912 1024 600 601 604 622 -hsync +vsync ;;
      320x180) xrandr --newmode 320x180 4.50 320 336 360 400 180 183 188 191 -hsync +vsync ;;
      *) fail "no timings for mode $mode" ;;
    esac
    xrandr --addmode screen "$mode" || fail "cannot add mode $mode"
  done
  if [ "$wm" = wm ]; then
    openbox >/dev/null 2>&1 &
    pids+=($!)
    deadline=$((SECONDS + 30))
    until wmctrl -m >/dev/null 2>&1; do
      [ $SECONDS -lt $deadline ] || fail "the window manager did not start within 30 s"
      sleep 0.05
    done
  fi
}

# The display for a show run through the dialog with run_keys.
start_run_display() { start_display 1280x720 "${1:--}" "${extra_modes[@]}"; }

screen_size() { xdpyinfo | sed -n 's/^ *dimensions: *\([0-9x]*\) pixels.*/\1/p'; }

# A private sound server holding only a null sink, so that waveOut opens and the show runs.
start_sound() {
  local env line
  env=$(bash "$here/pulse_null_sink.sh" start "$work/pulse") || fail "the sound server did not start"
  sound_started=1
  while IFS= read -r line; do export "${line?}"; done <<<"$env"
}

# The prefix is made once per build folder (20 to 40 s); later cases reuse it.
ensure_prefix() {
  [ -f "$WINEPREFIX/system.reg" ] && return 0
  local started=$SECONDS
  say "making the Wine prefix $WINEPREFIX"
  (flock 9; [ -f "$WINEPREFIX/system.reg" ] || "${wine[@]}" wineboot -u >/dev/null 2>&1) 9>"$build/.wineprefix.lock"
  wineserver_cmd -w
  [ -f "$WINEPREFIX/system.reg" ] || fail "wineboot made no prefix"
  say "made the Wine prefix in $((SECONDS - started)) s"
}

# A private copy of the demo folder, so damage never reaches the build's own. "data": the data
# files are all that is needed.
demo_copy() {
  [ "${1:-}" = data ] || [ -f "$build/demo/brumelt.exe" ] || fail "no $build/demo/brumelt.exe"
  [ -d "$build/demo/assets" ] && [ -d "$build/demo/tracks" ] ||
    fail "$build/demo lacks assets/ or tracks/ (build the Linux demo folder first)"
  cp -r "$build/demo" "$work/demo"
}

start_demo() {
  (cd "$work/demo" && exec "${wine[@]}" ./brumelt.exe >"$work/out" 2>"$work/err") &
  demo_pid=$!
  pids+=("$demo_pid")
}

demo_running() { kill -0 "$demo_pid" 2>/dev/null; }

# Waits for the demo to end; sets status. Fails after the given seconds.
wait_demo() { # wait_demo SECONDS
  local waited=0
  while demo_running; do
    sleep 0.2
    waited=$((waited + 1))
    [ $waited -gt $(($1 * 5)) ] && fail "the demo did not end within $1 s"
  done
  wait "$demo_pid"
  status=$?
}

# The id of the visible window with exactly this title, once it shows (empty after SECONDS).
find_window() { # find_window TITLE SECONDS
  local id="" tries=$(($2 * 4))
  while [ $tries -gt 0 ]; do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1)
    [ -n "$id" ] && break
    demo_running || break
    sleep 0.25
    tries=$((tries - 1))
  done
  echo "$id"
}

press_in() { # press_in WINDOW KEY...
  xdotool windowfocus --sync "$1" >/dev/null 2>&1
  shift
  xdotool key "$@" >/dev/null 2>&1
}

dialog_window() {
  local dialog
  dialog=$(find_window "$dialog_title" $((60 * slow)))
  [ -n "$dialog" ] || fail "the setup dialog did not appear"
  echo "$dialog"
}

# Presses Run in the setup dialog (at the shows' size) and returns the demo window's id.
pass_dialog() {
  local dialog window
  dialog=$(dialog_window)
  press_in "$dialog" "${run_keys[@]}"
  window=$(find_window "$demo_title" $start_seconds)
  [ -n "$window" ] || fail "no demo window after Run"
  echo "$window"
}

# On a 1920 x 1080 screen that also offers 1280 x 720 and the shows' size, starts the demo with
# a sound server, picks the size below the preselected one in the dialog, presses Run and sets
# window to the demo window's id (in this shell: the display, the sound server and the demo are
# this script's to stop).
run_smaller_mode() {
  local dialog
  start_display 1920x1080 - 1280x720 $pick
  start_sound
  demo_copy
  start_demo
  dialog=$(dialog_window)
  press_in "$dialog" Tab Tab Up Return
  window=$(find_window "$demo_title" $start_seconds)
  [ -n "$window" ] || fail "no demo window after Run"
}

# Taps Escape in the demo window until the demo ends (a frame may take a while under llvmpipe).
escape_demo() { # escape_demo WINDOW
  for _ in $(seq 30); do
    demo_running || break
    press_in "$1" Escape
    for _ in $(seq $((20 * slow))); do demo_running || break; sleep 0.1; done
  done
  wait_demo $((20 * slow))
}

# Waits until the window shows a pixel that is not black: a frame reached the screen (the show
# fades in from black, so the very first frames may be dark).
wait_frame() { # wait_frame WINDOW
  local waited=0
  until [ "$(import -window "$1" -format '%[fx:maxima>0]' info: 2>/dev/null)" = 1 ]; do
    demo_running || fail "the demo ended before a frame showed"
    sleep 0.5
    waited=$((waited + 1))
    [ $waited -gt $((start_seconds * 2)) ] && fail "no frame showed within $start_seconds s"
  done
}

# Runs the damaged demo copy through the dialog and Escape; the show must go on (status 0).
run_damaged() { # run_damaged WHAT
  start_demo
  escape_demo "$(pass_dialog)"
  [ "$status" -eq 0 ] || fail "$1: exit status $status, expected 0"
}

stderr_has() { tr -d '\r' <"$work/err" | grep -qF -- "$1"; }

# True once the screen's picture changes between two looks (within SECONDS): frames are drawn.
picture_moves() { # picture_moves SECONDS
  local first now waited=0
  first=$(import -window root rgb:- 2>/dev/null | md5sum)
  while [ $waited -lt $(($1 * 4)) ]; do
    sleep 0.25
    now=$(import -window root rgb:- 2>/dev/null | md5sum)
    [ "$now" != "$first" ] && return 0
    waited=$((waited + 1))
  done
  return 1
}

garbage() { # garbage BYTES: the same pseudo-random bytes every run
  python3 -c 'import random, sys; random.seed(7); sys.stdout.buffer.write(bytes(random.randrange(256) for _ in range(int(sys.argv[1]))))' "$1"
}

tga_header() { # tga_header WIDTH HEIGHT BITS: an 18-byte type-2 header
  printf '\0\0\2\0\0\0\0\0\0\0\0\0'
  printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $(($1 >> 8)))"
  printf "\\x$(printf %02x $(($2 & 255)))\\x$(printf %02x $(($2 >> 8)))"
  printf "\\x$(printf %02x "$3")\\x08"
}

# The i386 root, made on first use (a minute or so), and the prefix.
if [ -n "$x86_way" ]; then
  bash "$i386_root" setup 2>&1 | sed "s/^/$case_name: /" || fail "the x86 build cannot run here"
fi
ensure_prefix
case "$case_name" in
  prefix) # the way x86 code runs here made ready, and the prefix
    ;;

  dialog_check) # the real template and procedure under the system's dialog manager
    start_display 1920x1080 - 1280x720 800x600
    "${wine[@]}" "$build/brumelt-dialog-check.exe" >"$work/out" 2>"$work/err"
    status=$?
    tr -d '\r' <"$work/out"
    [ $status -eq 0 ] || fail "brumelt-dialog-check ended with $status"
    ;;

  dialog_escape) # Escape in the dialog: status 255 (-1), and no demo window ever
    start_display 1280x720
    demo_copy
    start_demo
    dialog=$(dialog_window)
    geometry=$(xdotool getwindowgeometry "$dialog" | sed -n 's/.*Geometry: //p')
    say "dialog shown, $geometry pixels"
    press_in "$dialog" Escape
    wait_demo 30
    [ "$status" -eq 255 ] || fail "exit status $status, expected 255"
    [ -z "$(xdotool search --name "^$demo_title\$" 2>/dev/null)" ] || fail "a demo window was made"
    ;;

  run_window_size) # the mode chosen in the list sizes the window; Escape ends with 0
    # Wine lists 800 * 600 (x86: 320 * 180), 1280 * 720, 1920 * 1080; the record's 1280 * 720 is
    # preselected, and Up picks the smaller.
    run_smaller_mode
    size=$(xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: //p')
    say "demo window $size"
    [ "$size" = $pick ] || fail "window is $size, expected $pick"
    wait_frame "$window"
    say "a frame showed"
    escape_demo "$window"
    [ "$status" -eq 0 ] || fail "exit status $status after Escape, expected 0"
    ;;

  fullscreen) # the fullscreen box: the display switches to the chosen mode, the window covers
    # it, and the desktop's mode comes back when the show ends
    start_display 1920x1080 - 1280x720 $pick
    start_sound
    demo_copy
    start_demo
    dialog=$(dialog_window)
    press_in "$dialog" Tab Tab Up Tab space Return
    window=$(find_window "$demo_title" $start_seconds)
    [ -n "$window" ] || fail "no demo window after Run"
    place=$(xwininfo -id "$window" | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
      /Width:/ { w = $NF } /Height:/ { h = $NF } END { print x "," y " " w "x" h }')
    screen=$(screen_size)
    say "screen $screen, demo window at $place"
    [ "$screen" = $pick ] || fail "the display is $screen, expected $pick"
    [ "$place" = "0,0 $pick" ] || fail "window at $place, expected 0,0 $pick"
    escape_demo "$window"
    [ "$status" -eq 0 ] || fail "exit status $status after Escape, expected 0"
    screen=$(screen_size)
    [ "$screen" = 1920x1080 ] || fail "the display stayed at $screen after the show"
    ;;

  close_box) # the window manager's close request ends the show with 0
    start_run_display wm
    start_sound
    demo_copy
    start_demo
    window=$(pass_dialog)
    wmctrl -c "$demo_title" || fail "wmctrl found no window to close"
    wait_demo 60
    [ "$status" -eq 0 ] || fail "exit status $status after the close box, expected 0"
    ;;

  music_missing) # no music: exit code 2 after the window appeared, one line naming the file; run
    # fullscreen, so that this early way out must give the display mode back as well
    start_display 1920x1080 - 1280x720 $pick
    start_sound
    demo_copy
    rm "$work/demo/assets/music.mp3"
    start_demo
    dialog=$(dialog_window)
    press_in "$dialog" Tab Tab Up Tab space Return
    wait_demo $start_seconds
    [ "$status" -eq 2 ] || fail "exit status $status, expected 2"
    stderr_has "assets/music.mp3" || fail "stderr does not name assets/music.mp3"
    screen=$(screen_size)
    [ "$screen" = 1920x1080 ] || fail "the display stayed at $screen"
    ;;

  music_48k) # music at 48 kHz (the synthesizer's, resampled) plays: the output runs at the
    # music's rate, and Escape ends the show with 0 and nothing on stderr
    wav=$linux_build/content/music.wav
    [ -f "$wav" ] || fail "no $wav (needs the Linux build folder)"
    start_run_display
    start_sound
    demo_copy
    sox "$wav" -r 48000 "$work/music48.wav" trim 0 30 || fail "sox could not resample the music"
    lame --quiet -b 192 "$work/music48.wav" "$work/demo/assets/music.mp3" || fail "lame failed"
    start_demo
    window=$(pass_dialog)
    spec=""
    for _ in $(seq 300); do
      spec=$(pactl list sink-inputs 2>/dev/null | sed -n 's/.*Sample Spec[a-z]*: //p' |
        grep 48000Hz | head -n 1)
      [ -n "$spec" ] && break
      demo_running || break
      sleep 0.2
    done
    [ -n "$spec" ] || fail "no sound stream at 48000 Hz reached the sound server"
    say "the demo's sound stream: $spec"
    escape_demo "$window"
    [ "$status" -eq 0 ] || fail "exit status $status after Escape, expected 0"
    [ -s "$work/err" ] && fail "stderr is not empty"
    ;;

  no_sound_server) # no sound server at all: exit code 1 after the window, one line naming the
    # device problem
    start_run_display
    printf 'autospawn = no\n' >"$work/client.conf"
    export PULSE_SERVER="unix:$work/no-server" PULSE_CLIENTCONFIG="$work/client.conf"
    # Without a sound server Wine would fall back to the kernel's sound drivers; this machine has
    # no sound card, but another might, so they are kept out.
    export WINEDLLOVERRIDES="mscoree,mshtml=;winealsa.drv,wineoss.drv="
    demo_copy
    start_demo
    pass_dialog >/dev/null
    wait_demo $start_seconds
    [ "$status" -eq 1 ] || fail "exit status $status, expected 1"
    stderr_has "brumelt: audio: cannot open the default output device" ||
      fail "stderr does not name the device problem"
    [ "$(tr -d '\r' <"$work/err" | grep -c .)" -eq 1 ] || fail "more than one line on stderr"
    ;;

  sound_server_lost) # the sound server stopped mid-show: one line naming the device problem, the
    # picture goes on (the music's clock without sound), and Escape still ends with 0
    run_smaller_mode
    picture_moves $((60 * slow)) || fail "the picture never moved"
    bash "$here/pulse_null_sink.sh" stop "$work/pulse"
    say "sound server stopped"
    for _ in $(seq 150); do stderr_has "brumelt: audio: the output device" && break; sleep 0.2; done
    stderr_has "brumelt: audio: the output device" || fail "stderr does not name the device problem"
    say "$(tr -d '\r' <"$work/err" | head -n 1)"
    picture_moves $((60 * slow)) || fail "the picture stopped with the sound"
    demo_running || fail "the demo ended with the sound"
    escape_demo "$window"
    [ "$status" -eq 0 ] || fail "exit status $status after Escape, expected 0"
    [ "$(tr -d '\r' <"$work/err" | grep -c .)" -eq 1 ] || fail "more than one line on stderr"
    ;;

  damaged_images) # each image damaged in each way: named on stderr, the show runs on
    start_run_display
    start_sound
    demo_copy
    good=$work/good.tga
    cp "$work/demo/assets/greets.tga" "$good"
    half=$(($(stat -c %s "$good") / 2 + 3))
    # A damage "A/B" damages greets.tga as A and qrv.tga as B in one run.
    for damages in ${BRUMELT_WINE_IMAGE_DAMAGES:-missing empty truncated garbage huge 16bits}; do
      for image in greets qrv; do
        file=$work/demo/assets/$image.tga
        damage=${damages%/*}
        [ $image = qrv ] && damage=${damages#*/}
        case $damage in
          missing) rm -f "$file" ;;
          empty) : >"$file" ;;
          truncated) head -c $half "$good" >"$file" ;;
          garbage) garbage 40000 >"$file" ;;
          huge) { tga_header 32767 32767 32; printf tiny; } >"$file" ;;
          16bits) { tga_header 4 4 16; head -c 32 /dev/zero; } >"$file" ;;
        esac
      done
      run_damaged "$damages images"
      for image in greets qrv; do
        stderr_has "assets/$image.tga" || fail "$damages: stderr does not name assets/$image.tga"
      done
      say "$damages images: named, show ran on"
    done
    ;;

  damaged_tracks) # damaged track files leave the show running; so does a missing tracks/ folder
    start_run_display
    start_sound
    demo_copy
    tracks=$work/demo/tracks
    rm -f "$tracks/sync_uBass.track"
    : >"$tracks/sync_uBend.track"
    head -c 13 "$tracks/sync_uCamPos.z.track" >"$tracks/sync_uCamPos.x.track.cut" &&
      mv "$tracks/sync_uCamPos.x.track.cut" "$tracks/sync_uCamPos.x.track"
    garbage 3000 >"$tracks/sync_uGlow.track"
    printf '\xff\xff\xff\x7f\0\0\0\0\0\0\0\0\0' >"$tracks/sync_uFisheye.track"
    printf '\xfe\xff\xff\xff' >"$tracks/sync_uSkyPos.track"
    run_damaged "damaged track files"
    stderr_has error && fail "damaged track files: stderr reports an error"
    say "damaged track files: show ran on"
    rm -rf "$tracks"
    run_damaged "no tracks folder"
    say "no tracks/ folder: show ran on"
    ;;

  frame_equal) # a frame of the Windows build equals the Linux build's frame of the same row
    [ -n "$linux_build" ] || fail "needs the Linux build folder"
    capture=$linux_build/demo/brumelt-capture
    [ -x "$capture" ] || fail "no $capture"
    start_display 1280x720
    demo_copy data
    rows=880,2000
    (cd "$linux_build/demo" && "$capture" --size 160x90 --rows $rows "$work/linux" \
      >"$work/capture.log" 2>&1) || fail "brumelt-capture failed: $(cat "$work/capture.log")"
    mkdir "$work/windows"
    (cd "$work/demo" && "${wine[@]}" "$build/brumelt-frame-dump.exe" 160x90 $rows "$work/windows" \
      2>"$work/err") || fail "brumelt-frame-dump failed"
    for row in ${rows//,/ }; do
      python3 "$here/rgb_compare.py" "$work/linux/row-$row.png" "$work/windows/row-$row.rgb" ||
        fail "row $row differs"
    done
    ;;

  *)
    fail "unknown case"
    ;;
esac
echo "PASS ($case_name)"
