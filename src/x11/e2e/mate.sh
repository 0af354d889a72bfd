#!/usr/bin/env bash
# ambervale under MATE's screensaver, run as an unprivileged user on a session bus of its own
# with our menu entry as its theme. After --activate our process runs on MATE's child window
# (XSCREENSAVER_WINDOW) with leaves over a background that is not black: Debian's MATE hands
# over a black window, which gives the plain background. A pointer move ends it. Needs root.
# Usage: mate.sh PROGRAM DESKTOP_ENTRY
program=$1 entry=$2
source "$(dirname "$0")/../../linux/e2e/lib.sh"
[ "$(id -u)" -eq 0 ] && command -v mate-screensaver >/dev/null || { echo "SKIP: needs root and MATE"; exit 77; }

start_xvfb 1024x768
make_daemon_user
# MATE runs programs of /usr/libexec/xscreensaver only: a copy named for this run goes there
# (an installed ambervale stays untouched) and the user's menu entry names it.
hack=$daemon_user hack_path=/usr/libexec/xscreensaver/$daemon_user
e2e_extra_cleanup() { daemon_cleanup; rm -f "$hack_path"; }
install -D -m 755 "$program" "$hack_path"
entries="$daemon_home/.local/share/applications/screensavers"
mkdir -p "$entries"
sed -e "s/^Exec=ambervale --root\$/Exec=$hack --root --size 20 --algorithm 1 --no-random --fast 40/" \
    -e "s/^TryExec=ambervale\$/TryExec=$hack/" "$entry" >"$entries/ambervale.desktop"
[ "$(grep -c "$hack" "$entries/ambervale.desktop")" -eq 2 ] || fail "the entry lacks Exec=ambervale --root or TryExec"
chown -R "$daemon_user:$daemon_user" "$daemon_home"

as_user dbus-run-session -- sh -c 'echo "$DBUS_SESSION_BUS_ADDRESS" >"$HOME/bus"
  gsettings set org.mate.screensaver mode single
  gsettings set org.mate.screensaver themes "[\"screensavers-ambervale\"]"
  gsettings set org.mate.screensaver lock-enabled false
  exec mate-screensaver --no-daemon' >"$e2e_dir/mate.log" 2>&1 &
e2e_pids+=($!)
as_mate() { as_user env DBUS_SESSION_BUS_ADDRESS="$(cat "$daemon_home/bus")" "$@"; }
mate_ready() { [ -s "$daemon_home/bus" ] && as_mate mate-screensaver-command --query >/dev/null 2>&1; }
wait_for 60 "MATE's screensaver answering" mate_ready

mate_hack_pid() { pgrep -u "$daemon_user" -f "^$hack " | head -n1; }
mate_hack_running() { [ -n "$(mate_hack_pid)" ]; }
as_mate mate-screensaver-command --activate >/dev/null
wait_for 60 "ambervale started by MATE" mate_hack_running
pid=$(mate_hack_pid)
window=$(tr '\0' '\n' </proc/"$pid"/environ | sed -n 's/^XSCREENSAVER_WINDOW=//p')
xwininfo -id "${window:-0}" -tree | grep -q 'Parent window id: .*"mate-screensaver"' ||
  fail "ambervale does not run on MATE's child window (XSCREENSAVER_WINDOW=$window)"

# Leaves fall row by row from the top; the bottom rows show the background, one colour.
leaves_on_background() {
  shot "$e2e_dir/now.png"
  [ "$(colours "$e2e_dir/now.png" 1024x300+0+0)" -gt 50 ] &&
    [ "$(colours "$e2e_dir/now.png" 1024x200+0+568)" -eq 1 ] &&
    [[ ! $(convert "$e2e_dir/now.png" -format '%[hex:p{0,767}]' info:) =~ ^0+$ ]]
}
wait_for 120 "leaves on MATE's window over a background that is not black" leaves_on_background
[ "$(mate_hack_pid)" = "$pid" ] || fail "MATE restarted ambervale (it ended on its own)"

# A pointer move is activity: MATE ends the saver (no lock) and stops the hack.
gone() { xdotool mousemove $((RANDOM % 1000 + 10)) $((RANDOM % 700 + 10)); [ ! -e /proc/"$pid" ]; }
wait_for 30 "ambervale gone after a pointer move" gone
mate_hack_running && fail "ambervale runs again after the pointer move"
echo "mate ok"
