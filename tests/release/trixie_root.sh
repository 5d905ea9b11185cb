#!/usr/bin/env bash
# The Linux release archive on Debian 13 (trixie): a minimal Debian 13 root holding nothing but
# the runtime packages the archive's README.txt names, and the archive run inside it (chroot) on
# this machine's X server, as root on the host, with every mount private to the run.
#   tests/release/trixie_root.sh make            make the root, or reuse it while its recipe and
#                                                package list are unchanged; prints its path
#   tests/release/trixie_root.sh test ARCHIVE    make or reuse the root, then run the cases
#                                                (needs DISPLAY)
# The root lives in BRUMELT_CACHE_DIR (default ~/.cache/brumelt), never in the repository; its
# packages come from the mirror of this machine's Debian sources. A lock lets several checkouts
# share it and lets `test` wait for a `make` started earlier in the background.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)
cache=${BRUMELT_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/brumelt}
root="$cache/debian13-root"
suite=trixie
viewer=65534 # nobody: the demo never writes into the shared root

log() { printf '[debian 13] %s\n' "$*" >&2; }

if [ "$(id -u)" -ne 0 ]; then exec sudo --preserve-env "$0" "$@"; fi

# The mirror of this machine's Debian sources (deb822 or one-line form).
mirror() {
  local uri
  uri=$(awk '/^URIs:/ {u = $2} /^Suites:/ && / bookworm( |$)/ && u != "" {print u; exit}' \
    /etc/apt/sources.list.d/*.sources 2>/dev/null || true)
  [ -n "$uri" ] || uri=$(awk '$1 == "deb" && $3 == "bookworm" {print $2; exit}' \
    /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null || true)
  echo "${uri:-http://deb.debian.org/debian}"
}

# The Debian 13 names from the runtime package list, which README.txt is written from.
packages() {
  grep -v -e '^#' -e '^[[:space:]]*$' "$repo/scripts/linux-runtime-packages.txt" | awk '{print $2}' |
    sort | paste -sd' '
}

make_root() {
  local uri list key fresh started
  uri=$(mirror)
  list=$(packages)
  # Changing the recipe below changes this key too (bump the first word).
  key=$(printf 'recipe-1 essential %s %s %s\n' "$suite" "$uri" "$list" | sha256sum | cut -d' ' -f1)
  mkdir -p "$cache"
  # Held shared while the root is used, exclusive while it is checked or made.
  exec 9>"$cache/debian13-root.lock"
  flock 9
  if [ "$(cat "$root/.brumelt-key" 2>/dev/null)" = "$key" ]; then
    flock -s 9
    log "reusing $root ($list)"
    echo "$root"
    return 0
  fi
  command -v mmdebstrap >/dev/null || { log "mmdebstrap is missing (scripts/debian-packages.txt)"; return 1; }
  log "making a Debian 13 root from $uri with: $list"
  started=$(date +%s)
  fresh="$root.new"
  rm -rf "$fresh"
  # The essential set and the listed packages (with their dependencies), as apt installs them;
  # documentation and translations left out. A failure leaves the old root, if any, as it was.
  if ! mmdebstrap --quiet --mode=root --variant=essential --include="${list// /,}" \
    --aptopt='Acquire::Languages "none"' --dpkgopt=force-unsafe-io \
    --dpkgopt='path-exclude=/usr/share/doc/*' --dpkgopt='path-exclude=/usr/share/man/*' \
    --dpkgopt='path-exclude=/usr/share/locale/*' --dpkgopt='path-exclude=/usr/share/info/*' \
    "$suite" "$fresh" "$uri" >"$cache/debian13-root.log" 2>&1; then
    tail -n 20 "$cache/debian13-root.log" >&2
    rm -rf "$fresh"
    log "mmdebstrap failed (whole log: $cache/debian13-root.log)"
    return 1
  fi
  echo "$key" >"$fresh/.brumelt-key"
  rm -rf "$root"
  mv "$fresh" "$root"
  flock -s 9
  log "made $root in $(($(date +%s) - started)) s ($(du -sh "$root" | cut -f1), glibc $(
    chroot "$root" /usr/bin/ldd --version | head -n 1 | awk '{print $NF}'))"
  echo "$root"
}

# ---- the cases -------------------------------------------------------------------------------

work=
demo_pid=
cleanup() {
  if [ -n "$demo_pid" ]; then kill -9 "$demo_pid" 2>/dev/null || true; fi
  if [ -n "$work" ]; then rm -rf "$work"; fi
}
fail() {
  echo "debian 13: ${case_name:-}: $*" >&2
  [ -s "$work/stderr" ] && sed 's/^/  | /' "$work/stderr" >&2
  exit 1
}

# Unpacks the archive into a fresh home for the viewer; SETUP (a command run in the unpacked
# folder) may then damage it.
fresh_home() { # fresh_home [SETUP...]
  rm -rf "${work:?}/home"
  mkdir -p "$work/home"
  tar -C "$work/home" -xzf "$archive"
  if [ $# -gt 0 ]; then (cd "$work/home/brumelt-linux-x86_64" && "$@"); fi
  chown -R "$viewer:$viewer" "$work/home"
  : >"$work/stderr"
}

# Starts the unpacked demo inside the root in the background (demo_pid), with a clean
# environment: the display, a home, a silent audio driver and the given VAR=VALUE words. It runs
# in namespaces of its own: killing demo_pid ends the namespace's first process and with it
# every process in it, and its mounts (the host's X socket, a private /proc, /tmp, /dev/shm and
# the viewer's home) go when it ends.
start_demo() { # start_demo [VAR=VALUE...]
  local display_env=()
  [ -n "${display:-}" ] && display_env=(DISPLAY="$display")
  # shellcheck disable=SC2016 # the script's variables are its own
  unshare --mount --pid --fork --kill-child -- /bin/sh -ec '
    root=$1 home=$2; shift 2
    mount --make-rprivate /
    mount -t proc proc "$root/proc"
    mount -t tmpfs tmpfs "$root/tmp"
    mount -t tmpfs tmpfs "$root/dev/shm"
    mkdir "$root/tmp/.X11-unix"
    mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
    mount -t tmpfs tmpfs "$root/home"
    mkdir "$root/home/viewer"
    mount --bind "$home" "$root/home/viewer"
    chroot --userspec='"$viewer:$viewer"' "$root" /usr/bin/env -i "$@" \
      /bin/sh -c "cd /home/viewer/brumelt-linux-x86_64 && exec ./brumelt"
  ' sh "$root" "$work/home" "${display_env[@]}" HOME=/home/viewer PATH=/usr/bin:/bin \
    LANG=C.UTF-8 SDL_AUDIODRIVER=dummy "$@" 2>"$work/stderr" &
  demo_pid=$!
}

# shellcheck disable=SC2154 # demo_status is set by wait_demo (demo_driver.sh)
expect_status() { # expect_status CODE
  wait_demo "$demo_pid"
  demo_pid=
  [ "$demo_status" -eq "$1" ] || fail "exit status $demo_status, expected $1"
  only_demo_lines "$work/stderr"
}

run_cases() {
  archive=$(realpath "$1")
  [ -n "${DISPLAY:-}" ] || { log "no DISPLAY"; return 1; }
  display=$DISPLAY
  work=$(mktemp -d)
  trap cleanup EXIT
  # shellcheck source=tests/release/demo_driver.sh
  . "$here/demo_driver.sh"

  # README.txt names exactly the packages this root holds.
  case_name="README.txt"
  tar -C "$work" -xzf "$archive" brumelt-linux-x86_64/README.txt
  local named
  named=$(awk '/^    Debian 12 +Debian 13/ {table = 1; next} table && NF == 0 {exit}
    table {print $2}' "$work/brumelt-linux-x86_64/README.txt" | sort | paste -sd' ')
  [ "$named" = "$(packages)" ] ||
    fail "README.txt names '$named' for Debian 13, the root holds '$(packages)'"

  case_name="show"
  fresh_home
  start_demo
  press_run
  press_escape "$demo_pid"
  expect_status 0

  case_name="music missing"
  fresh_home rm assets/music.mp3
  start_demo
  press_run
  expect_status 2
  grep -q 'music\.mp3' "$work/stderr" || fail "no line names assets/music.mp3"

  case_name="image cut short"
  fresh_home truncate -s 100 assets/greets.tga
  start_demo
  press_run
  press_escape "$demo_pid"
  expect_status 0
  grep -q 'greets\.tga' "$work/stderr" || fail "no line names assets/greets.tga"

  # A Wayland session's variables with no compositor behind them: the window still opens on X11
  # (xdotool finds it there), and nothing tries Wayland's socket, which would complain about
  # the missing XDG_RUNTIME_DIR.
  case_name="Wayland named, no compositor"
  fresh_home
  start_demo WAYLAND_DISPLAY=wayland-0 XDG_SESSION_TYPE=wayland
  press_run
  press_escape "$demo_pid"
  expect_status 0

  case_name="no display"
  fresh_home
  display='' start_demo
  expect_status 4
  grep -q '^brumelt: window: ' "$work/stderr" || fail "no line names the window problem"

  echo "debian 13: the archive in $(cat "$root/etc/debian_version"): show and Escape -> 0, music missing -> 2, image cut short -> its line and 0, Wayland named without a compositor -> X11 and 0, no display -> 4"
}

case "${1:-}" in
  make) make_root ;;
  test)
    make_root >/dev/null
    run_cases "${2:?the Linux archive}"
    ;;
  *)
    sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'
    exit 2
    ;;
esac
