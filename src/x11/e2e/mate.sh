#!/usr/bin/env bash
# ambervale under MATE's screensaver daemon, run as an unprivileged user of the test's own on
# its own session bus, with our menu entry as its only theme. After --activate our process
# runs on MATE's window (a child window named by XSCREENSAVER_WINDOW) and its leaves fall on
# the wallpaper MATE painted there (a vertical gradient: each row one colour) or, where the
# window came back of one colour, on the plain background; a pointer move ends the saver and
# the process is gone. Needs root.
# Usage: mate.sh PROGRAM DESKTOP_ENTRY
program=$1 entry=$2
source "$(dirname "$0")/lib.sh"
[ "$(id -u)" -eq 0 ] || { echo "SKIP: needs root to make the test user"; exit 77; }
command -v mate-screensaver >/dev/null || { echo "SKIP: mate-screensaver is not installed"; exit 77; }

start_xvfb 1024x768
make_daemon_user
# MATE runs only programs in its own folder and /usr/libexec/xscreensaver, by name: a copy
# under a name of this run's own goes there (an installed ambervale stays untouched), and
# the user's own entries folder gets the menu entry with that name.
hack="$daemon_user"
hack_path=/usr/libexec/xscreensaver/$hack
mkdir -p /usr/libexec/xscreensaver
e2e_extra_cleanup() { daemon_cleanup; rm -f "$hack_path"; }
install -m 755 "$program" "$hack_path"
entries="$daemon_home/.local/share/applications/screensavers"
mkdir -p "$entries"
# The leaves fill the grid row by row, slowly, so the bottom rows still show the wallpaper.
sed -e "s/^Exec=ambervale --root\$/Exec=$hack --root --size 20 --algorithm 1 --no-random --fast 40/" \
    -e "s/^TryExec=ambervale\$/TryExec=$hack/" "$entry" >"$entries/ambervale.desktop"
[ "$(grep -c "$hack" "$entries/ambervale.desktop")" -eq 2 ] || fail "the entry lacks 'Exec=ambervale --root' or 'TryExec=ambervale'"
chown -R "$daemon_user:$daemon_user" "$daemon_home"

as_user dbus-run-session -- sh -c '
  echo "$DBUS_SESSION_BUS_ADDRESS" >"$HOME/bus"
  gsettings set org.mate.screensaver mode single
  gsettings set org.mate.screensaver themes "[\"screensavers-ambervale\"]"
  gsettings set org.mate.screensaver lock-enabled false
  gsettings set org.mate.background picture-filename ""
  gsettings set org.mate.background picture-options wallpaper
  gsettings set org.mate.background color-shading-type vertical-gradient
  gsettings set org.mate.background primary-color "#336699"
  gsettings set org.mate.background secondary-color "#cc9933"
  exec mate-screensaver --no-daemon --debug' >"$e2e_dir/mate.log" 2>&1 &
e2e_pids+=($!)
as_mate() { as_user env DBUS_SESSION_BUS_ADDRESS="$(cat "$daemon_home/bus")" "$@"; }
mate_ready() { [ -s "$daemon_home/bus" ] && as_mate mate-screensaver-command --query >/dev/null 2>&1; }
wait_for 60 "MATE screensaver answering" mate_ready

mate_hack_pid() {
  local pid
  for pid in $(pgrep -u "$daemon_user"); do
    [ "$(readlink /proc/"$pid"/exe 2>/dev/null)" = "$hack_path" ] && echo "$pid" && return
  done
  return 0
}
mate_hack_running() { [ -n "$(mate_hack_pid)" ]; }
as_mate mate-screensaver-command --activate >/dev/null
wait_for 60 "ambervale started by MATE" mate_hack_running
pid=$(mate_hack_pid)
window=$(tr '\0' '\n' </proc/"$pid"/environ | sed -n 's/^XSCREENSAVER_WINDOW=//p')
[ -n "$window" ] || fail "ambervale runs without XSCREENSAVER_WINDOW"
root=$(xwininfo -root | sed -n 's/.*Window id: \(0x[0-9a-f]*\).*/\1/p')
parent=$(xwininfo -id "$window" -tree | sed -n 's/.*Parent window id: \(0x[0-9a-f]*\).*/\1/p')
[ -n "$parent" ] && [ "$((parent))" -ne "$((root))" ] || fail "MATE's window $window is no child window"

# rows_differ SHOT WxH+X+Y: pixels of the region unlike its row's first pixel (the gradient
# alone gives none).
rows_differ() {
  local size=${2%%+*}
  local width=${size%x*} height=${size#*x}
  convert "$1" -crop "$2" +repage "$e2e_dir/region.png"
  convert "$e2e_dir/region.png" -crop "1x$height+0+0" +repage -scale "${width}x$height!" "$e2e_dir/rows.png"
  differing_pixels "$e2e_dir/region.png" "$e2e_dir/rows.png"
}
# Leaves on screen, and where none has fallen yet either MATE's wallpaper or the plain
# background, never black: Debian's MATE 1.26 on Xvfb hands over a black window, which must
# give the plain background.
leaves_on_background() {
  shot "$e2e_dir/now.png"
  [ "$(rows_differ "$e2e_dir/now.png" 1024x300+0+0)" -gt 500 ] &&
    [ "$(rows_differ "$e2e_dir/now.png" 1024x200+0+568)" -eq 0 ] &&
    [ "$(convert "$e2e_dir/now.png" -crop 1x1+0+767 -format '%[hex:p{0,0}]' info:)" != 000000 ]
}
wait_for 120 "leaves on MATE's window over a background that is not black" leaves_on_background
if [ "$(colours "$e2e_dir/now.png" 1024x200+0+568)" -gt 1 ]; then
  echo "the leaves fall on MATE's wallpaper"
else
  echo "the leaves fall on the plain background (MATE's window showed one colour)"
fi
[ "$(mate_hack_pid)" = "$pid" ] || fail "MATE restarted ambervale (it ended on its own)"

# A pointer move is activity: MATE ends the saver (no lock) and stops the hack.
gone() { [ ! -e /proc/"$pid" ]; }
moved_until_gone() { xdotool mousemove $((RANDOM % 1000 + 10)) $((RANDOM % 700 + 10)); gone; }
wait_for 30 "ambervale gone after a pointer move" moved_until_gone
mate_hack_running && fail "ambervale runs again after the pointer move"
echo "mate ok"
