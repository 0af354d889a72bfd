#!/usr/bin/env bash
# A resize of the screen (xrandr --fb on Xvfb) while ambervale --root runs: it keeps
# running and lays out the new size, growing and shrinking.
# Usage: resize.sh PROGRAM
program=$1
source "$(dirname "$0")/../../linux/e2e/lib.sh"

start_xvfb 1024x768
xrandr --fb 800x600 >/dev/null 2>&1 || true
[ "$(xdpyinfo | awk '/dimensions:/ {print $2}')" = 800x600 ] || fail "xrandr could not make the screen 800x600"
paint_root_pattern
make_home "$e2e_dir/home" False  # a plain background: leaves are the only other colours

HOME="$e2e_dir/home" "$program" --root --size 20 --algorithm 1 --no-random --fast 45 &
pid=$!
e2e_pids+=($pid)
changing() { shot "$e2e_dir/a.png"; sleep 0.2; shot "$e2e_dir/b.png"; [ "$(differing_pixels "$e2e_dir/a.png" "$e2e_dir/b.png")" -gt 0 ]; }
wait_for 60 "leaves at 800x600" changing

# Grown: the strip beyond the old width only gets leaves from a layout of the new size.
xrandr --fb 1024x768 >/dev/null 2>&1 || true
[ "$(xdpyinfo | awk '/dimensions:/ {print $2}')" = 1024x768 ] || fail "xrandr could not make the screen 1024x768"
leaves_in_new_strip() { shot "$e2e_dir/now.png"; [ "$(colours "$e2e_dir/now.png" 224x768+800+0)" -gt 20 ]; }
wait_for 60 "leaves beyond the old width" leaves_in_new_strip
kill -0 $pid || fail "ambervale ended after growing"

xrandr --fb 640x480 >/dev/null 2>&1 || true
[ "$(xdpyinfo | awk '/dimensions:/ {print $2}')" = 640x480 ] || fail "xrandr could not make the screen 640x480"
wait_for 60 "leaves at 640x480" changing
kill -0 $pid || fail "ambervale ended after shrinking"

stop_expecting_success $pid
echo "resize ok"
