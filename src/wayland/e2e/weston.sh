#!/usr/bin/env bash
# weston (headless, xdg-shell and no layer shell): the full-screen toplevel draws and ends on
# SIGTERM with exit 0.
# Usage: weston.sh PROGRAM CLIENT
program=$1 client=$2
source "$(dirname "$0")/lib.sh"
(as_user weston --backend=headless-backend.so --socket=wayland-1 --width=1024 --height=600 \
  >"$e2e_dir/weston.log" 2>&1) &
e2e_pids+=($!)
wait_for 60 "weston's socket" test -S "$runtime_dir/wayland-1"

start_fullscreen_saver 1024 600
kill -TERM "$saver_pid"
expect_exit "$saver_pid" 0 "SIGTERM"
grep -Eq 'output [0-9]+, 1024x600: [0-9]+ ticks' "$e2e_dir/saver.log" || fail "no tick count at 1024x600"
echo "weston ok"
