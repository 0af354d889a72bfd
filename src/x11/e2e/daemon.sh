#!/usr/bin/env bash
# ambervale under the real XScreenSaver daemon, run as an unprivileged user of the test's
# own with a ~/.xscreensaver whose only program is this build. After -activate our process
# runs on the daemon's window (XSCREENSAVER_WINDOW) and shows leaves over the daemon's
# picture of the desktop; after -deactivate it is gone and reaped. Needs root.
# Usage: daemon.sh PROGRAM
program=$1
source "$(dirname "$0")/../../linux/e2e/lib.sh"
[ "$(id -u)" -eq 0 ] || { echo "SKIP: needs root to make the test user"; exit 77; }

start_xvfb 1024x768
paint_root_pattern
shot "$e2e_dir/desktop.png"
start_daemon --root --size 20 --algorithm 1 --no-random --fast 40

as_user xscreensaver-command -activate >/dev/null
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
