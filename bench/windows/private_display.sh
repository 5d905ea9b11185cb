# Sourced by the Windows benchmarks: start_private_display starts an Xvfb of 1280 x 720 on the
# first free display number from :150 on, adds its pid to the caller's pids array (which the
# caller's exit trap kills) and exports DISPLAY once the server answers.
start_private_display() {
  local n
  for n in $(seq 150 250); do [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || break; done
  Xvfb ":$n" -noreset -nolisten tcp -screen 0 1280x720x24 >/dev/null 2>&1 &
  pids+=($!)
  export DISPLAY=":$n"
  for _ in $(seq 200); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done
}
