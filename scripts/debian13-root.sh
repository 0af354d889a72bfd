#!/usr/bin/env bash
# A Debian 13 (trixie) root, for tests that need a clean machine or Debian 13's desktop programs
# (sway 1.10, GNOME Shell 48). Made once with debootstrap and kept outside the clone; every run
# gets a fresh copy of it (an overlay thrown away afterwards), so that nothing a run installs or
# writes reaches the next one. As root; debootstrap comes from scripts/bootstrap.sh.
#   debian13-root.sh [OPTIONS] [--] [COMMAND [ARG...]]
#     --packages "PKG..."  installs these into the kept root where they are missing (the first
#                          time takes minutes, later runs a second)
#     --keep-downloads     the run's apt cache (/var/cache/apt/archives) is kept from one run
#                          to the next, so that what a run installs is downloaded once; runs
#                          that install at once take turns: `flock /var/cache/apt/archives`
#     --bind DIR           this machine's DIR, read-write, at the same path inside (repeatable)
#   With no COMMAND it only makes the kept root ready. COMMAND runs as root in the copy, with
#   this machine's /proc, /sys, /dev and /dev/shm, a clean environment (PATH, HOME=/root,
#   LANG=C.UTF-8, XDG_RUNTIME_DIR=/run/user/0, WLR_RENDERER=pixman for wlroots without a GPU)
#   and the copy's own /tmp; its exit status is the script's. `env NAME=VALUE COMMAND` adds more.
#   Runs may go side by side; a change to the kept root waits until the runs in progress end.
# Examples:
#   bash scripts/debian13-root.sh --packages "sway foot" -- sway --version
#   bash scripts/debian13-root.sh --packages "gnome-shell" -- gnome-shell --version
#   bash scripts/debian13-root.sh --keep-downloads --bind "$PWD/build/dist" -- \
#     flock /var/cache/apt/archives apt-get install -y "$PWD/build/dist/ambervale_1.0.0_amd64.deb"
# AMBERVALE_DEBIAN13_ROOT: where the root is kept (default /var/cache/ambervale/debian13).
# AMBERVALE_DEBIAN_MIRROR: the archive (default http://deb.debian.org/debian).
set -euo pipefail
kept=${AMBERVALE_DEBIAN13_ROOT:-/var/cache/ambervale/debian13}
mirror=${AMBERVALE_DEBIAN_MIRROR:-http://deb.debian.org/debian}
packages=() binds=() keep_downloads=false
usage() { echo 'usage: debian13-root.sh [--packages "PKG..."] [--keep-downloads] [--bind DIR]... [--] [COMMAND...]' >&2; exit 2; }
while [ $# -gt 0 ]; do
  case $1 in
    --packages) [ $# -ge 2 ] || usage; read -ra more <<<"$2"; packages+=("${more[@]}"); shift 2 ;;
    --keep-downloads) keep_downloads=true; shift ;;
    --bind) [ $# -ge 2 ] && [ -d "$2" ] || usage; binds+=("$(realpath "$2")"); shift 2 ;;
    --) shift; break ;;
    -*) usage ;;
    *) break ;;
  esac
done
# A bind may not cover what the run makes or mounts itself (its /tmp is emptied, its /run,
# /proc, /sys and /dev are this machine's): bound there, the machine's own would be touched.
for dir in "${binds[@]}"; do
  case $dir/ in
    // | /tmp/ | /run/ | /run/user/* | /proc/* | /sys/* | /dev/* | /var/ | /var/cache/ | /var/cache/apt/*)
      echo "debian13-root.sh: --bind $dir would cover a folder the root's run makes or mounts itself" >&2
      exit 2 ;;
  esac
done
[ "$(id -u)" = 0 ] || { echo "debian13-root.sh: run it as root" >&2; exit 1; }
command -v debootstrap >/dev/null || { echo "debian13-root.sh: no debootstrap: run scripts/bootstrap.sh" >&2; exit 1; }
mkdir -p "$(dirname "$kept")"
# Changes to the kept root hold this lock alone; runs share it.
exec {lock}>"$kept.lock"

in_kept() { chroot "$kept" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive "$@"; }
missing_from_kept() {
  local p
  for p in "$@"; do
    in_kept dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
  done
}
# The kept root, made once; the stamp marks one that debootstrap finished.
make_kept_root() {
  [ -f "$kept/.ambervale-ready" ] && return
  echo "debian13-root: making the Debian 13 root in $kept (a few minutes, once)" >&2
  rm -rf --one-file-system "$kept"
  # Its mounts (/proc, /sys in the root) go away with it, even when it is interrupted.
  unshare --mount --propagation private debootstrap --variant=minbase --include=ca-certificates trixie "$kept" "$mirror" >&2
  # The host's name server, and apt that keeps what it downloads (for --keep-downloads).
  cp /etc/resolv.conf "$kept/etc/resolv.conf"
  echo 'Binary::apt::APT::Keep-Downloaded-Packages "true";' >"$kept/etc/apt/apt.conf.d/10keep-downloads"
  # Services that packages install are not started: there is no init in the root.
  printf '#!/bin/sh\nexit 101\n' >"$kept/usr/sbin/policy-rc.d"
  chmod +x "$kept/usr/sbin/policy-rc.d"
  touch "$kept/.ambervale-ready"
}
update_kept_root() {
  local wanted=()
  mapfile -t wanted < <(missing_from_kept "${packages[@]}")
  [ ${#wanted[@]} -gt 0 ] || return 0
  echo "debian13-root: adding ${wanted[*]} to the kept root" >&2
  # apt and the packages' scripts want /proc: mounted where it goes away with them.
  # shellcheck disable=SC2016
  unshare --mount --propagation private sh -ec '
    root=$1
    shift
    mount --bind /proc "$root/proc"
    in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive "$@"; }
    in_root apt-get update -q
    in_root apt-get install -y -q --no-install-recommends "$@"' install "$kept" "${wanted[@]}" >&2
}
ready() { [ -f "$kept/.ambervale-ready" ] && [ -z "$(missing_from_kept "${packages[@]}")" ]; }
flock -s "$lock"
if ! ready; then
  flock -u "$lock"
  flock -x "$lock"
  make_kept_root
  update_kept_root
  flock -s "$lock"
fi
[ $# -gt 0 ] || exit 0

# The run: in a mount namespace of its own, so that its mounts go with it however it ends.
run=$(mktemp -d "${TMPDIR:-/tmp}/ambervale-debian13.XXXXXX")
trap 'rm -rf --one-file-system "$run"' EXIT
mkdir "$run/upper" "$run/work" "$run/root"
downloads=-
if $keep_downloads; then
  downloads=$kept-downloads
  mkdir -p "$downloads/partial"
fi
# shellcheck disable=SC2016
unshare --mount --propagation private bash -euc '
  run=$1 kept=$2 downloads=$3 nbinds=$4
  shift 4
  root=$run/root
  mount -t overlay overlay -o "lowerdir=$kept,upperdir=$run/upper,workdir=$run/work" "$root"
  mount --bind /proc "$root/proc"
  mount --rbind /sys "$root/sys"
  mount --rbind /dev "$root/dev"
  if [ -d /dev/shm ] && ! mountpoint -q "$root/dev/shm"; then mount --bind /dev/shm "$root/dev/shm"; fi
  [ "$downloads" = - ] || mount --bind "$downloads" "$root/var/cache/apt/archives"
  # The copy'"'"'s own /tmp and runtime folder first, then what is bound over them.
  rm -rf --one-file-system "$root/tmp" && mkdir -m 1777 "$root/tmp"
  mkdir -p -m 700 "$root/run/user/0"
  for dir in "${@:1:nbinds}"; do mkdir -p "$root$dir" && mount --bind "$dir" "$root$dir"; done
  shift "$nbinds"
  exec chroot "$root" env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    HOME=/root LANG=C.UTF-8 TERM="${TERM:-dumb}" DEBIAN_FRONTEND=noninteractive \
    XDG_RUNTIME_DIR=/run/user/0 WLR_RENDERER=pixman "$@"
' run "$run" "$kept" "$downloads" ${#binds[@]} "${binds[@]}" "$@"
