#!/usr/bin/env bash
# The Debian package as a user of Debian 13 gets it: installed with apt into a fresh Debian 13
# root (scripts/debian13-root.sh), where apt must find every dependency; then each program's
# --help, the X11 program drawing on a headless X server and the Wayland program showing its
# first frame under a headless sway, both ending cleanly on SIGTERM.
#   debian13_test.sh DEB
set -euo pipefail
if [ "${1:-}" != --inside ]; then
  [ $# -eq 1 ] && [ -f "$1" ] || { echo "usage: debian13_test.sh DEB" >&2; exit 2; }
  here=$(cd "$(dirname "$0")" && pwd)
  deb=$(realpath "$1")
  exec bash "$here/../scripts/debian13-root.sh" --packages "xvfb x11-apps sway" --keep-downloads \
    --bind "$here" --bind "$(dirname "$deb")" -- bash "$here/debian13_test.sh" --inside "$deb"
fi

# Inside the root, as root.
deb=$2
fail() { echo "FAIL: $*" >&2; exit 1; }
pids=()
# Whatever is still running; a program already ended is no failure here.
trap 'for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done' EXIT
# wait_for SECONDS DESCRIPTION COMMAND...: polls the command until it succeeds.
wait_for() {
  local limit=$(($1 * 5)) description=$2 i
  shift 2
  for ((i = 0; i < limit; i++)); do
    "$@" && return 0
    sleep 0.2
  done
  fail "no $description within $((limit / 5)) s"
}
# stop PID NAME: SIGTERM ends the program with exit 0.
stop() {
  kill -TERM "$1"
  local status=0
  wait "$1" || status=$?
  [ $status -eq 0 ] || fail "$2 ended with $status on SIGTERM"
}

apt-get update -q >/dev/null
flock /var/cache/apt/archives apt-get install -y -q --no-install-recommends "$deb" >/tmp/install.log 2>&1 ||
  { tail -n 30 /tmp/install.log; fail "apt cannot install $(basename "$deb")"; }
grep -o 'Setting up ambervale ([^)]*)' /tmp/install.log
for program in /usr/libexec/xscreensaver/ambervale ambervale-wayland ambervale-settings; do
  "$program" --help >/tmp/help 2>&1 || fail "$program --help: $(cat /tmp/help)"
  grep -q -- --help /tmp/help || fail "$program --help prints no usage: $(cat /tmp/help)"
done

# The X11 program on the root window: the screen changes again and again as the leaves fall.
Xvfb :7 -screen 0 800x600x24 -nolisten tcp >/tmp/xvfb.log 2>&1 &
pids+=($!)
wait_for 60 "Xvfb display" test -S /tmp/.X11-unix/X7
export DISPLAY=:7
/usr/libexec/xscreensaver/ambervale --root --fast 50 --size 20 2>/tmp/x11.log &
x11=$!
pids+=($x11)
pictures=/tmp/root-pictures
: >"$pictures"
three_pictures() {
  kill -0 $x11 || fail "the X11 program ended: $(cat /tmp/x11.log)"
  xwd -root -silent | md5sum >>"$pictures"
  [ "$(sort -u "$pictures" | wc -l)" -ge 3 ]
}
wait_for 120 "picture of leaves falling on the X server" three_pictures
stop $x11 "the X11 program"
unset DISPLAY

# The Wayland program under sway: its first frame on screen.
env WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 sway >/tmp/sway.log 2>&1 &
pids+=($!)
wait_for 60 "sway's Wayland socket" test -S "$XDG_RUNTIME_DIR/wayland-1"
WAYLAND_DISPLAY=wayland-1 ambervale-wayland --fps 2>/tmp/wayland.log &
wayland=$!
pids+=($wayland)
first_frame() {
  kill -0 $wayland || fail "ambervale-wayland ended: $(cat /tmp/wayland.log)"
  grep -q 'first frame after' /tmp/wayland.log
}
wait_for 120 "first frame of ambervale-wayland" first_frame
stop $wayland "ambervale-wayland"
echo "debian 13: $(basename "$deb") installed by apt; --help, the X11 and the Wayland program ran"
