#!/usr/bin/env bash
# The pointer rule: small movements leave the run going, a jump of more than 100 pixels
# between two ticks ends it with exit 0.
# Usage: pointer.sh PROGRAM CLIENT
program=$1 client=$2
source "$(dirname "$0")/lib.sh"
start_sway 1

start_saver --fast 50
wait_for 60 "leaves" leaves_on HEADLESS-1 "$plain_pixel"
# Each move is a virtual pointer of its own; the program sees it arrive, then move. Small
# moves first: the rule counts from where the pointer arrives.
as_user "$client" move 20 20 || fail "virtual pointer"
saver_went_on
as_user "$client" move 60 -60 || fail "virtual pointer"
saver_went_on
kill -0 "$saver_pid" || fail "a small movement ended the run"
as_user "$client" move 300 0 || fail "virtual pointer"
expect_exit "$saver_pid" 0 "a movement of 300 pixels"
echo "pointer ok"
