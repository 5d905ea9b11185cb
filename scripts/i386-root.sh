#!/usr/bin/env bash
# Runs 32-bit x86 programs here (the x86 Windows build under i386 Wine), in the best way this
# machine allows, without adding a foreign architecture to its dpkg:
#   scripts/i386-root.sh mode     prints the way, a word and a line of why:
#                                   wine      the kernel runs 32-bit code and i386 Wine is
#                                             installed: plain wine
#                                   root      the kernel runs 32-bit code: i386 Wine in the i386
#                                             root, natively
#                                   emulated  the kernel runs no 32-bit code: the i386 root with
#                                             qemu-user emulating the CPU
#   scripts/i386-root.sh setup    makes what that way needs (host packages, the root), once
#   scripts/i386-root.sh run [--bind DIR]... [--] COMMAND [ARG...]
#                                 runs COMMAND (for example wine ./brumelt.exe) that way, from the
#                                 current folder, then waits for its wineserver to save the
#                                 prefix; exit status: COMMAND's
#
# The root is an i386 Debian 12 holding scripts/i386-root-packages.txt, unpacked without running
# any maintainer script (the few things those would do are done below); it is made on first use
# and made anew when that list changes. It lives in BRUMELT_I386_ROOT (default:
# build-win32/i386-root, 1.1 GB). Inside it, run sees the current folder, each DIR, the X
# sockets, /dev, the sound server's socket folder and WINEPREFIX at their own paths, and only the
# environment Wine needs; its /tmp and /root are its own and go with it. Emulation needs root and a kernel of 6.7 or later (binfmt_misc in a
# user namespace): the binfmt entry exists only in the command's own namespaces, so the rest of
# the machine still cannot run i386 code. qemu-user comes from bookworm-backports (bookworm's
# 7.2 crashes in threaded programs), installed without recommends so no host-wide binfmt entry
# comes with it.
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
self=$repo/scripts/i386-root.sh
package_list=$repo/scripts/i386-root-packages.txt
root_dir=${BRUMELT_I386_ROOT:-$repo/${BRUMELT_WIN32_BUILD_DIR:-build-win32}/i386-root}
# Bumped whenever make_root changes what it makes, so older roots are made anew.
recipe=1

log() { printf 'i386-root: %s\n' "$*" >&2; }
die() { log "$*"; exit 1; }
as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

# A 93-byte static i386 program that only exits with 0: whether the kernel runs 32-bit code.
kernel_runs_i386() {
  local probe status
  mkdir -p "$(dirname "$root_dir")"
  probe=$(mktemp "$(dirname "$root_dir")/.i386-probe.XXXXXX")
  printf '\177ELF\1\1\1\0\0\0\0\0\0\0\0\0\2\0\3\0\1\0\0\0\124\200\4\10\64\0\0\0\0\0\0\0\0\0\0\0' >"$probe"
  printf '\64\0\40\0\1\0\0\0\0\0\0\0\1\0\0\0\0\0\0\0\0\200\4\10\0\200\4\10\135\0\0\0\135\0\0\0' >>"$probe"
  printf '\5\0\0\0\0\20\0\0\270\1\0\0\0\61\333\315\200' >>"$probe"
  chmod +x "$probe"
  status=0
  "$probe" 2>/dev/null || status=$?
  rm -f "$probe"
  return $status
}

host_has_i386_wine() { [ -x /usr/lib/wine/wine ] || [ -x /usr/lib/i386-linux-gnu/wine/wine ]; }

# Sets mode and why.
choose_mode() {
  if kernel_runs_i386; then
    if host_has_i386_wine; then
      mode=wine why="the kernel runs 32-bit code and i386 Wine is installed: plain wine"
    else
      mode=root why="the kernel runs 32-bit code: i386 Wine in the i386 root $root_dir, natively"
    fi
    if [ -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
      why="$why (through this machine's own qemu-i386 binfmt entry)"
    fi
  else
    mode=emulated
    why="the kernel runs no 32-bit code: i386 Wine in the i386 root $root_dir, under qemu-user"
  fi
}

# The URI of the machine's own Debian 12 sources (deb822 or one-line), for the backports and the
# root.
debian_mirror() {
  local uri=""
  if [ -n "${BRUMELT_DEBIAN_MIRROR:-}" ]; then echo "$BRUMELT_DEBIAN_MIRROR"; return; fi
  uri=$(cat /etc/apt/sources.list.d/*.sources 2>/dev/null | awk 'BEGIN { RS = "" }
    { uri = ""; ok = 0; on = 1; n = split($0, line, "\n")
      for (i = 1; i <= n; i++) {
        if (line[i] ~ /^URIs:/) { split(line[i], w, /[ \t]+/); uri = w[2] }
        if (line[i] ~ /^Suites:/ && line[i] ~ /[ \t]bookworm([ \t]|$)/) ok = 1
        if (line[i] ~ /^Enabled:[ \t]*no/) on = 0
      }
      if (ok && on && uri != "") { print uri; exit } }')
  if [ -z "$uri" ]; then
    uri=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
      sed 's/\[[^]]*\]//' | awk '$1 == "deb" && $3 == "bookworm" { print $2; exit }')
  fi
  echo "${uri:-http://deb.debian.org/debian}"
}

qemu_major() {
  command -v qemu-i386 >/dev/null || return 0
  qemu-i386 --version | sed -n '1s/.*version \([0-9]*\)\..*/\1/p'
}

# qemu-user from bookworm-backports and mmdebstrap, refusing to go on if that would upgrade or
# remove any other host package.
ensure_host_packages() {
  local need_qemu=$1 wanted=() sim changes major
  command -v mmdebstrap >/dev/null || wanted+=(mmdebstrap)
  if [ "$need_qemu" = 1 ]; then
    major=$(qemu_major)
    [ -n "$major" ] && [ "$major" -ge 8 ] || wanted+=(qemu-user/bookworm-backports)
  fi
  [ ${#wanted[@]} -eq 0 ] && return 0
  if [[ " ${wanted[*]} " = *" qemu-user/"* ]] &&
    ! grep -qs bookworm-backports /etc/apt/sources.list /etc/apt/sources.list.d/*.list \
      /etc/apt/sources.list.d/*.sources; then
    log "adding bookworm-backports to the apt sources (/etc/apt/sources.list.d/bookworm-backports.sources)"
    printf 'Types: deb\nURIs: %s\nSuites: bookworm-backports\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
      "$(debian_mirror)" | as_root tee /etc/apt/sources.list.d/bookworm-backports.sources >/dev/null
  fi
  log "installing on the host: ${wanted[*]}"
  as_root apt-get update -qq
  sim=$(as_root apt-get -s install --no-install-recommends "${wanted[@]}")
  changes=$(awk '/^Remv / { print $2 } /^Inst / && $3 ~ /^\[/ && $2 != "qemu-user" { print $2 }' <<<"$sim")
  [ -z "$changes" ] || die "installing ${wanted[*]} would upgrade or remove host packages: $(echo $changes); not installing"
  DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -qq --no-install-recommends \
    "${wanted[@]}" >/dev/null
  if [ "$need_qemu" = 1 ]; then
    [ "$(qemu_major)" -ge 8 ] 2>/dev/null || die "qemu-i386 $(qemu_major) is too old (8 or later needed)"
  fi
}

packages() { grep -v -e '^#' -e '^$' "$package_list"; }
root_hash() { { echo "recipe $recipe"; packages; } | sha256sum | cut -d' ' -f1; }
root_ready() { [ "$(cat "$root_dir/.brumelt-i386-root" 2>/dev/null)" = "$(root_hash)" ]; }

# What the skipped maintainer scripts would have done that Wine needs: the plain names of the
# *-stable programs, Wine's builtin zlib1.dll (the mingw-w64 DLL with Wine's builtin marker in its
# DOS stub) and a world-writable /tmp.
finish_root() { # finish_root DIR
  local dir=$1 program arch mingw
  for program in "$dir"/usr/bin/*-stable; do
    [ -e "${program%-stable}" ] || ln -s "$(basename "$program")" "${program%-stable}"
  done
  for arch in i386 x86_64; do
    case $arch in i386) mingw=i686-w64-mingw32 ;; x86_64) mingw=x86_64-w64-mingw32 ;; esac
    local dll=$dir/usr/lib/i386-linux-gnu/wine/$arch-windows/zlib1.dll source=$dir/usr/$mingw/lib/zlib1.dll
    [ -d "$(dirname "$dll")" ] && [ -f "$source" ] || continue
    rm -f "$dll"
    { head -c 64 "$source"; printf 'Wine builtin DLL'; head -c 16 /dev/zero; tail -c +97 "$source"; } >"$dll"
  done
  chmod 1777 "$dir/tmp"
}

make_root() {
  local new=$root_dir.new start mirror
  start=$(date +%s)
  mirror=$(debian_mirror)
  log "making the i386 root $root_dir from $mirror (about a minute)"
  as_root rm -rf "$new"
  if ! as_root mmdebstrap --mode=root --arch=i386 --variant=extract --skip=check/qemu \
    --include="$(packages | paste -sd,)" bookworm "$new" "$mirror" >"$root_dir.log" 2>&1; then
    tail -n 30 "$root_dir.log" >&2
    die "mmdebstrap failed (log: $root_dir.log)"
  fi
  finish_root "$new"
  root_hash >"$new/.brumelt-i386-root"
  as_root rm -rf "$root_dir"
  mv "$new" "$root_dir"
  log "made the i386 root in $(($(date +%s) - start)) s: $(du -sh "$root_dir" | cut -f1)"
}

setup() {
  choose_mode
  [ "$mode" = wine ] && return 0
  if [ "$mode" = emulated ]; then
    local kernel
    kernel=$(uname -r | awk -F. '{ print $1 * 1000 + $2 }')
    [ "$kernel" -ge 6007 ] || die "this kernel ($(uname -r)) runs no 32-bit code and is older than 6.7, which emulation needs (binfmt_misc in a user namespace)"
  fi
  root_ready && return 0
  mkdir -p "$(dirname "$root_dir")"
  # One maker at a time; whoever waited finds the root made.
  exec 9>"$root_dir.lock"
  flock 9
  if ! root_ready; then
    ensure_host_packages "$([ "$mode" = emulated ] && echo 1 || echo 0)"
    make_root
  fi
  exec 9>&-
}

# Inside the new namespaces (run by unshare, as their root): the binfmt entry, the binds, chroot.
inside() { # inside EMULATE CWD DIR... -- COMMAND...
  local emulate=$1 cwd=$2 env=() name
  shift 2
  if [ "$emulate" = 1 ]; then
    mkdir -p "$root_dir/run/binfmt_misc"
    mount -t binfmt_misc binfmt_misc "$root_dir/run/binfmt_misc"
    # The i386 ELF magic and mask; F opens the (static) emulator now, from outside the root.
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$(command -v qemu-i386)"':F' \
      >"$root_dir/run/binfmt_misc/register"
  fi
  mount --rbind /dev "$root_dir/dev"
  # A /tmp of the namespace's own: the folders bound below it leave nothing behind in the root.
  mount -t tmpfs -o mode=1777 tmpfs "$root_dir/tmp"
  mount -t tmpfs -o mode=700 tmpfs "$root_dir/root"
  while [ "$1" != -- ]; do
    mkdir -p "$root_dir$1"
    mount --rbind "$1" "$root_dir$1"
    shift
  done
  shift
  env=(HOME=/root PATH=/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin LANG=C.UTF-8)
  for name in DISPLAY PULSE_SERVER PULSE_CLIENTCONFIG WINEPREFIX WINEDLLOVERRIDES WINEDEBUG \
    LP_NUM_THREADS GALLIUM_DRIVER; do
    [ -n "${!name:-}" ] && env+=("$name=${!name}")
  done
  # shellcheck disable=SC2016
  exec chroot "$root_dir" /usr/bin/env -i "${env[@]}" /bin/sh -c \
    'cd "$1" || exit 125; shift; "$@"; status=$?; wineserver -w; exit $status' sh "$cwd" "$@"
}

run() {
  local binds=() dir cwd bind_list=() b seen
  while [ $# -gt 0 ]; do
    case $1 in
      --bind) binds+=("$(cd "$2" && pwd)"); shift 2 ;;
      --) shift; break ;;
      *) break ;;
    esac
  done
  [ $# -gt 0 ] || die "run: no command"
  setup
  if [ "$mode" = wine ]; then
    "$@" && status=0 || status=$?
    wineserver -w 2>/dev/null || true
    exit $status
  fi
  cwd=$(pwd)
  if [ -n "${WINEPREFIX:-}" ]; then
    mkdir -p "$WINEPREFIX"
    WINEPREFIX=$(cd "$WINEPREFIX" && pwd)
    binds+=("$WINEPREFIX")
  fi
  [ -d /tmp/.X11-unix ] && binds+=(/tmp/.X11-unix)
  case ${PULSE_SERVER:-} in unix:/*) binds+=("$(dirname "${PULSE_SERVER#unix:}")") ;; esac
  [ -n "${PULSE_CLIENTCONFIG:-}" ] && binds+=("$(dirname "$PULSE_CLIENTCONFIG")")
  binds+=("$cwd")
  # Each folder once, and none inside one already bound.
  for dir in "${binds[@]}"; do
    [ -d "$dir" ] || continue
    seen=0
    for b in "${bind_list[@]}"; do
      case $dir/ in "$b"/*) seen=1 ;; esac
    done
    [ $seen = 1 ] || bind_list+=("$dir")
  done
  exec unshare --user --map-root-user --mount --pid --fork --kill-child \
    --mount-proc="$root_dir/proc" -- \
    bash "$self" inside "$([ "$mode" = emulated ] && echo 1 || echo 0)" "$cwd" "${bind_list[@]}" \
    -- "$@"
}

case "${1:-}" in
  mode)
    choose_mode
    echo "$mode: $why"
    ;;
  setup)
    setup
    log "$mode: $why"
    ;;
  run)
    shift
    run "$@"
    ;;
  inside)
    shift
    inside "$@"
    ;;
  *)
    sed -n '2,17p' "$0" | sed 's/^# \{0,1\}//'
    exit 2
    ;;
esac
