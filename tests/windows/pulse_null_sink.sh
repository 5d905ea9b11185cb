#!/usr/bin/env bash
# A private PulseAudio sound server whose only output is a null sink (it plays nothing, in real
# time), for audio tests on machines without a sound card; Wine's waveOut plays through it.
#
#   pulse_null_sink.sh start DIR   starts the server with its files in DIR, waits until it
#                                  answers, and prints the environment its clients need
#                                  (NAME=value lines: PULSE_SERVER, PULSE_CLIENTCONFIG)
#   pulse_null_sink.sh stop DIR    stops the server started in DIR
#
# The server runs as whoever calls (root included, without --system), owns nothing outside DIR,
# and never exits on idle; clients given the printed environment never spawn a server of their
# own. An idle null sink runs at its longest latency (2 s), which delays the first buffers of a
# new stream; a silent stream kept playing at 20 ms holds it at low latency, as a sound card is.
set -euo pipefail

command=${1:-}
dir=${2:-}
if [ -z "$command" ] || [ -z "$dir" ]; then
  echo "usage: $0 start|stop DIR" >&2
  exit 2
fi

if [ "$command" = stop ]; then
  for name in keeper pulse; do
    [ -f "$dir/$name.pid" ] || continue
    pid=$(cat "$dir/$name.pid")
    kill "$pid" 2>/dev/null || true
    gone=$((SECONDS + 10))
    while kill -0 "$pid" 2>/dev/null && [ $SECONDS -lt $gone ]; do sleep 0.1; done
    rm -f "$dir/$name.pid"
  done
  exit 0
fi
[ "$command" = start ] || { echo "$0: unknown command $command" >&2; exit 2; }

mkdir -p "$dir/home" "$dir/runtime"
dir=$(cd "$dir" && pwd)
printf 'autospawn = no\n' >"$dir/client.conf"
socket="$dir/native"
rm -f "$socket"

HOME="$dir/home" XDG_RUNTIME_DIR="$dir/runtime" PULSE_RUNTIME_PATH="$dir/runtime" \
  PULSE_CLIENTCONFIG="$dir/client.conf" \
  setsid pulseaudio --daemonize=no --use-pid-file=no --exit-idle-time=-1 -n \
  --load="module-null-sink sink_name=nullsink rate=44100" \
  --load="module-native-protocol-unix socket=$socket auth-anonymous=1" \
  </dev/null >"$dir/pulse.log" 2>&1 &
echo $! >"$dir/pulse.pid"

deadline=$((SECONDS + 30))
while [ $SECONDS -lt $deadline ]; do
  if PULSE_SERVER="unix:$socket" PULSE_CLIENTCONFIG="$dir/client.conf" pactl info >/dev/null 2>&1; then
    PULSE_SERVER="unix:$socket" PULSE_CLIENTCONFIG="$dir/client.conf" \
      pacat --playback --latency-msec=20 --rate=44100 --channels=2 --format=s16le /dev/zero \
      </dev/null >"$dir/keeper.log" 2>&1 &
    echo $! >"$dir/keeper.pid"
    # Ready once the sink has come down from its idle latency (within a second or so; a client
    # that starts while it is still high only hears its first buffers late).
    settled=$((SECONDS + 10))
    while [ $SECONDS -lt $settled ]; do
      latency=$(PULSE_SERVER="unix:$socket" PULSE_CLIENTCONFIG="$dir/client.conf" \
        pactl list sink-inputs 2>/dev/null | sed -n 's/.*Sink Latency: \([0-9]*\) usec.*/\1/p' | head -n 1)
      [ -n "$latency" ] && [ "$latency" -lt 100000 ] && break
      sleep 0.1
    done
    echo "PULSE_SERVER=unix:$socket"
    echo "PULSE_CLIENTCONFIG=$dir/client.conf"
    exit 0
  fi
  kill -0 "$(cat "$dir/pulse.pid")" 2>/dev/null || break
  sleep 0.1
done
echo "$0: the sound server did not start; its log:" >&2
cat "$dir/pulse.log" >&2
"$0" stop "$dir"
exit 1
