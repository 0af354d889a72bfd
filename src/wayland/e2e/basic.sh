#!/usr/bin/env bash
# ambervale-wayland on one headless sway output: leaves over the plain background, a second
# instance that ends at once, a key that ends the run and gives the desktop back, SIGTERM,
# a bad flag, a failing listener, and the desktop picture, on unless the configuration file
# turns it off. At Fast 50 the ticks keep their pace between the frames the compositor asks for.
# Usage: basic.sh PROGRAM CLIENT INPUT FAILING (the program's build for the failing edges)
program=$1 client=$2 failing=$4
source "$(dirname "$0")/lib.sh"
start_sway 1

# The compositor offers our protocol definitions at the versions they declare.
as_user "$client" protocols || fail "protocol versions differ from sway's"

start_saver --fast 50 --fps
wait_for 60 "leaves over the plain background" leaves_on HEADLESS-1 "$plain_pixel"

# The idle daemon may start it again: the second ends at once with 0, the first goes on.
status=0
as_user timeout 30 "$program" || status=$?
[ $status -eq 0 ] || fail "second instance: status $status"
kill -0 "$saver_pid" || fail "the first instance ended"

as_user wtype -s 300 a
expect_exit "$saver_pid" 0 "a key"
ticks_outpace_presents "$e2e_dir/saver.log"
wait_for 60 "the desktop back" pixel_is HEADLESS-1 "$sway_bg_pixel"
[ "$(colours "$e2e_dir/pixel.ppm")" -eq 1 ] || fail "something of the saver is left on the output"

start_saver
wait_for 60 "leaves again" leaves_on HEADLESS-1 "$plain_pixel"
kill -TERM "$saver_pid"
expect_exit "$saver_pid" 0 "SIGTERM"

status=0
as_user "$program" --size twelve 2>"$e2e_dir/err" || status=$?
[ $status -eq 2 ] && grep -q '^usage: ambervale-wayland' "$e2e_dir/err" || fail "a bad flag: status $status"
# A failure inside a listener reaches main: named, and status 1.
status=0
as_user env AMBERVALE_FAIL_AT_EDGE=wayland timeout 30 "$failing" 2>"$e2e_dir/err" || status=$?
[ $status -eq 1 ] && grep -q 'forced in a wayland callback' "$e2e_dir/err" || fail "a failing listener: status $status"

# Desktop pictures by default (no such line in the file), with a bad line that is named and skipped.
printf 'fast = 50\nsize = huge\n' >"$user_home/.config/ambervale/ambervale.conf"
start_saver
wait_for 60 "leaves over sway's background" leaves_on HEADLESS-1 "$sway_bg_pixel"
grep -q 'ambervale.conf:2: .*line skipped' "$e2e_dir/saver.log" || fail "the bad line was not named"
as_user wtype -s 300 Escape
expect_exit "$saver_pid" 0 "Escape"
echo "basic ok"
