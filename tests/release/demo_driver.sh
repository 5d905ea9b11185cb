# shellcheck shell=bash
# Driving a started demo on $DISPLAY as a viewer would, for the release tests (sourced; the
# caller defines fail MESSAGE, which must not return).
#   press_run              waits for the setup dialog and presses Enter until it is gone (60 s)
#   press_escape PID       waits for the demo's window, lets it play, presses Escape until PID
#                          ends (60 s)
#   wait_demo PID          waits (30 s at most) for PID, a child of the caller's shell, to end;
#                          its exit status is then in demo_status
#   only_demo_lines FILE   fails unless every line of FILE is one of the demo's ("brumelt: ...")

press_run() {
  local dialog
  dialog=$(timeout 60 xdotool search --sync --onlyvisible --name '^QRV :: Brumelt$' | head -n 1) ||
    fail "no setup dialog within 60 s"
  # Enter is pressed again while the dialog stays up: a key sent before it takes focus is lost.
  local deadline=$((SECONDS + 60))
  while [ $SECONDS -lt $deadline ]; do
    if xdotool windowfocus --sync "$dialog" 2>/dev/null; then xdotool key Return 2>/dev/null || true; fi
    sleep 0.5
    xdotool search --onlyvisible --name '^QRV :: Brumelt$' >/dev/null 2>&1 || return 0
  done
  fail "the setup dialog stayed up through 60 s of Enter"
}

press_escape() {
  local window
  window=$(timeout 120 xdotool search --sync --onlyvisible --name '^QRV at Solvance 2014$' | head -n 1) ||
    fail "no demo window within 120 s of Enter"
  sleep 2 # a few frames of the show; nothing after depends on how many
  # Escape is pressed again while the demo runs on: a frame under software GL can take seconds.
  local deadline=$((SECONDS + 60))
  while [ $SECONDS -lt $deadline ]; do
    if xdotool windowfocus --sync "$window" 2>/dev/null; then xdotool key Escape 2>/dev/null || true; fi
    sleep 0.5
    kill -0 "$1" 2>/dev/null || return 0
  done
}

# shellcheck disable=SC2034 # demo_status is the caller's
wait_demo() {
  timeout 30 tail --pid="$1" -f /dev/null || fail "the demo did not end"
  demo_status=0
  wait "$1" || demo_status=$?
}

only_demo_lines() {
  local stray
  stray=$(grep -v '^brumelt: ' "$1" || true)
  [ -z "$stray" ] || fail "stderr holds lines that are not the demo's (below)"
}
