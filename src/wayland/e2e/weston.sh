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

(as_user env WAYLAND_DEBUG=1 "$program" --fps 2>>"$e2e_dir/saver.log") &
saver_pid=$!
e2e_pids+=($saver_pid)
wait_for 60 "a full-screen toplevel" saver_says 'xdg_toplevel@[0-9]*.set_fullscreen'
wait_for 60 "the output's size asked for" saver_says 'xdg_toplevel@[0-9]*.configure(1024, 600'
wait_for 60 "ticks drawn" drew_ticks
kill -TERM "$saver_pid"
expect_exit "$saver_pid" 0 "SIGTERM"
grep -Eq 'output [0-9]+, 1024x600: [0-9]+ ticks' "$e2e_dir/saver.log" || fail "no tick count at 1024x600"
echo "weston ok"
