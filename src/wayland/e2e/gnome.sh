#!/usr/bin/env bash
# GNOME's compositor (headless mutter, no layer shell) as an unprivileged user: a full-screen
# toplevel on each of two monitors at its size, its ticks there, a key through RemoteDesktop
# ending the run; then the idle watcher through Mutter's IdleMonitor: held off by an idle
# inhibitor, the saver after the idle time, ended by a key, back after the next idle stretch;
# one watcher a session; a saver started meanwhile; a failure in the bus handler.
# Usage: gnome.sh PROGRAM CLIENT INPUT FAILING (the program's build for the failing edges)
program=$1 client=$2 input=$3 failing=$4
source "$(dirname "$0")/lib.sh"
cp "$input" "$bin_dir/gnome_input" && chmod 755 "$bin_dir/gnome_input"
input="$bin_dir/gnome_input"
start_mutter 1280x720 800x600

start_fullscreen_saver 1280 720
# Each monitor its own full-screen toplevel, at its own size.
wait_for 60 "the second monitor's toplevel" grep -q "xdg_toplevel@[0-9]*.configure(800, 600" "$e2e_dir/saver.log"
as_user "$input" key 30 || fail "RemoteDesktop key"
expect_exit "$saver_pid" 0 "a key"
# Its own count: the buffer at the monitor's real pixels, and the ticks it drew there.
for size in 1280x720 800x600; do
  grep -Eq "output [0-9]+, $size: [0-9]{2,} ticks" "$e2e_dir/saver.log" || fail "no tick count at $size"
done

# The watcher, held off while gnome-session would hold an idle inhibitor; its saver is this
# program without --idle.
held_off_by_inhibitor as_user "$input" inhibit 8
first=$(cat "$e2e_dir/shown")
grep -q 'org.gnome.Mutter.IdleMonitor' "$e2e_dir/watcher.log" || fail "the watcher did not use Mutter's monitor"

status=0
as_user "$program" --idle 5 2>/dev/null || status=$?
[ $status -eq 0 ] || fail "second watcher: status $status"
status=0
as_user timeout 30 "$program" || status=$?
[ $status -eq 0 ] || fail "a saver started while the watcher shows one: status $status"

as_user "$input" key 57 || fail "RemoteDesktop key"
wait_for 60 "the saver's end on a key" eval "! kill -0 $first 2>/dev/null"
again() { saver_shown && [ "$(cat "$e2e_dir/shown")" != "$first" ]; }
wait_for 60 "the saver after the next idle stretch" again
second=$(cat "$e2e_dir/shown")
kill -TERM "$watcher_pid"
expect_exit "$watcher_pid" 0 "SIGTERM to the watcher"
kill -0 "$second" 2>/dev/null && fail "the watcher left its saver running"

# A failure in the bus's handler reaches main: named, and status 1.
status=0
as_user env AMBERVALE_FAIL_AT_EDGE=sd-bus timeout 60 "$failing" --idle 1 2>"$e2e_dir/err" || status=$?
[ $status -eq 1 ] && grep -q 'forced in a sd-bus callback' "$e2e_dir/err" || fail "a failing bus handler: status $status"
echo "gnome ok"
