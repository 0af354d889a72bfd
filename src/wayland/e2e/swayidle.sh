#!/usr/bin/env bash
# swayidle starts the saver when the seat has been idle for its timeout, as the README shows;
# a key ends the saver.
# Usage: swayidle.sh PROGRAM CLIENT
program=$1 client=$2
source "$(dirname "$0")/lib.sh"
start_sway 1 "exec swayidle -w timeout 1 '$program --fast 50'"

wait_for 60 "leaves after the idle timeout" leaves_on HEADLESS-1 "$plain_pixel"
saver=$(pgrep -u "$sway_user" -f "^$program( |\$)" | head -n1)
[ -n "$saver" ] || fail "no saver process"
as_user wtype -s 300 space
wait_for 60 "the saver's end" eval "! kill -0 $saver 2>/dev/null"
# (A second later swayidle starts it again: the desktop coming back is basic.sh's to check.)
echo "swayidle ok"
