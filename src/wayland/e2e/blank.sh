#!/usr/bin/env bash
# Nothing drawn while nothing can be seen: a compositor that sends no frame (an output blanked,
# a surface behind a lock) pauses the run; its own tick count (said under --fps when it pauses
# and when it goes on) shows that not one tick ran in the dark, and once frames come again the
# cycle goes on. Headless sway 1.7 refuses `dpms off` ("Failed to commit output": its outputs
# cannot be disabled) and keeps sending frames, so the frames are withheld by stopping sway.
# Usage: blank.sh PROGRAM CLIENT
program=$1 client=$2
source "$(dirname "$0")/lib.sh"
start_sway 1

start_saver --fast 50 --fps
wait_for 60 "leaves over the plain background" leaves_on HEADLESS-1 "$plain_pixel"
sway_pids=$(pgrep -u "$sway_user" -x sway)
# shellcheck disable=SC2086
kill -STOP $sway_pids
wait_for 60 "the run paused" grep -q 'nothing of it shows: paused after' "$e2e_dir/saver.log"
# shellcheck disable=SC2086
kill -CONT $sway_pids
wait_for 60 "the run going on" grep -q 'shown again: going on after' "$e2e_dir/saver.log"
paused=$(sed -n 's/.*paused after \([0-9]*\) ticks$/\1/p' "$e2e_dir/saver.log")
resumed=$(sed -n 's/.*going on after \([0-9]*\) ticks$/\1/p' "$e2e_dir/saver.log")
[ -n "$paused" ] && [ "$paused" = "$resumed" ] || fail "ticks in the dark: paused after $paused, going on after $resumed"
saver_went_on
kill -TERM "$saver_pid"
expect_exit "$saver_pid" 0 "SIGTERM"
total=$(sed -n 's/.*: \([0-9]*\) ticks, mean interval.*/\1/p' "$e2e_dir/saver.log")
[ "${total:-0}" -gt "$resumed" ] || fail "no ticks after the frames came again ($total in all, $resumed before the dark)"
echo "blank ok"
