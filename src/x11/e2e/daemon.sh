#!/usr/bin/env bash
# ambervale under the real XScreenSaver daemon. The daemon launches no hacks as root, so the
# test makes an unprivileged user of its own and runs the daemon as that user, with a
# ~/.xscreensaver whose only program is this build. After -activate our process runs on the
# daemon's window (XSCREENSAVER_WINDOW) and shows leaves over the daemon's picture of the
# desktop; after -deactivate it is gone and reaped. Needs root (useradd, setpriv).
# Usage: daemon.sh PROGRAM
program=$1
source "$(dirname "$0")/lib.sh"
[ "$(id -u)" -eq 0 ] || { echo "SKIP: needs root to make the test user"; exit 77; }

user="ambervale-e2e-$$"
home="$e2e_dir/home"
bin="$e2e_dir/bin"
mkdir -p "$home" "$bin"
# The daemon's user must reach the program: a clone under /root may be closed to others.
cp "$program" "$bin/ambervale"
chmod 755 "$bin" "$bin/ambervale"
useradd -M -U -d "$home" -s /usr/sbin/nologin "$user"
e2e_extra_cleanup() {
  local pids
  pids=$(pgrep -u "$user" | tr '\n' ' ' || true)
  # shellcheck disable=SC2086
  [ -n "$pids" ] && stop_pids $pids
  userdel "$user" 2>/dev/null || true
}

cat >"$home/.xscreensaver" <<XSS
timeout:	0:30:00
cycle:		0:10:00
lock:		False
fade:		False
unfade:		False
splash:		False
dpmsEnabled:	False
mode:		one
selected:	0
grabDesktopImages:	True
programs:	$bin/ambervale --root --size 20 --algorithm 1 --no-random --fast 40 \\n
XSS
chown -R "$user:$user" "$home"

start_xvfb 1024x768
paint_root_pattern
shot "$e2e_dir/desktop.png"

as_user() { setpriv --reuid="$user" --regid="$user" --init-groups env -i HOME="$home" USER="$user" LOGNAME="$user" DISPLAY="$DISPLAY" PATH=/usr/bin:/bin "$@"; }
as_user xscreensaver -no-splash -verbose >"$e2e_dir/xscreensaver.log" 2>&1 &
daemon=$!
e2e_pids+=($daemon)
daemon_ready() { as_user xscreensaver-command -version >/dev/null 2>&1; }
wait_for 60 "XScreenSaver daemon" daemon_ready

as_user xscreensaver-command -activate >/dev/null
hack_pid() { pgrep -u "$user" -f "^$bin/ambervale " | head -n1; }
hack_running() { [ -n "$(hack_pid)" ]; }
wait_for 60 "ambervale started by the daemon" hack_running
pid=$(hack_pid)
tr '\0' '\n' </proc/"$pid"/environ | grep -q '^XSCREENSAVER_WINDOW=' || fail "ambervale runs without XSCREENSAVER_WINDOW"

# Leaves over the daemon's picture of the desktop: where no leaf has fallen yet, the pattern
# shows exactly.
leaves_over_desktop() {
  shot "$e2e_dir/now.png"
  [ "$(differing_pixels "$e2e_dir/desktop.png" "$e2e_dir/now.png")" -gt 500 ] &&
    [ "$(differing_pixels "$e2e_dir/desktop.png" "$e2e_dir/now.png" 1024x300+0+468)" -eq 0 ]
}
wait_for 120 "leaves over the desktop picture" leaves_over_desktop
[ "$(hack_pid)" = "$pid" ] || fail "the daemon restarted ambervale (it ended on its own)"

start=$(date +%s%N)
as_user xscreensaver-command -deactivate >/dev/null
gone() { [ ! -e /proc/"$pid" ]; }
wait_for 30 "ambervale gone and reaped after -deactivate" gone
echo "ambervale gone $(( ($(date +%s%N) - start) / 1000000 )) ms after -deactivate was sent"
hack_running && fail "ambervale runs again after -deactivate"

as_user xscreensaver-command -exit >/dev/null 2>&1 || true
echo "daemon ok"
