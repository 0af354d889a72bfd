#!/usr/bin/env bash
# weston (headless, xdg-shell and no layer shell): the full-screen toplevel draws and ends on
# SIGTERM with exit 0, over the plain background with one line that says which sources gave nothing.
# Usage: weston.sh PROGRAM CLIENT
program=$1 client=$2
source "$(dirname "$0")/lib.sh"
rm "$user_home/.config/ambervale/ambervale.conf"  # the desktop picture as by default
(as_user weston --backend=headless-backend.so --socket=wayland-1 --width=1024 --height=600 \
  >"$e2e_dir/weston.log" 2>&1) &
e2e_pids+=($!)
wait_for 60 "weston's socket" test -S "$runtime_dir/wayland-1"

start_fullscreen_saver 1024 600
kill -TERM "$saver_pid"
expect_exit "$saver_pid" 0 "SIGTERM"
grep -Eq 'output [0-9]+, 1024x600: [0-9]+ ticks' "$e2e_dir/saver.log" || fail "no tick count at 1024x600"
# weston gives no picture of the desktop, and here no session bus runs: one line says what was tried.
[ "$(grep -c 'no picture of the desktop (wlr-screencopy: not offered; KWin.s ScreenShot2: .*; the desktop portal: .*; the wallpaper: .*): the leaves fall on a plain background' "$e2e_dir/saver.log")" -eq 1 ] ||
  fail "not one line naming the sources tried: $(cat "$e2e_dir/saver.log")"
echo "weston ok"
