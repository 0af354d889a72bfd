#!/usr/bin/env bash
# ambervale --root on a root that spans two monitors (an Xorg server of its own with the dummy
# video driver, a second 1024x768 output right of the first): each monitor gets a grid of its
# own, so the right one's first leaf falls at its own top-left corner with the left one's first,
# not after the left one's row as one grid across the seam would lay it; leaves on both.
# Exits 77 (skipped) where Xorg, its dummy driver or root are missing.
# Usage: two_monitors.sh PROGRAM
program=$1
source "$(dirname "$0")/../../linux/e2e/lib.sh"
skip() { echo "two_monitors: skipped: $*"; exit 77; }
command -v Xorg >/dev/null || skip "Xorg is not installed (xserver-xorg-core)"
[ -e /usr/lib/xorg/modules/drivers/dummy_drv.so ] || skip "no dummy video driver (xserver-xorg-video-dummy)"
[ "$(id -u)" -eq 0 ] || skip "Xorg needs root here"

cp "$(dirname "$0")/../../../tests/e2e/dummy_xorg.conf" "$e2e_dir/xorg.conf"
Xorg -displayfd 3 -config "$e2e_dir/xorg.conf" -logfile "$e2e_dir/xorg.log" -novtswitch -sharevts -noreset \
  -nolisten tcp 3>"$e2e_dir/display" >/dev/null 2>&1 &
e2e_pids+=($!)
wait_for 120 "Xorg display" grep -q '^[0-9]' "$e2e_dir/display"
export DISPLAY=":$(head -n1 "$e2e_dir/display")"
wait_for 60 "Xorg answering" xdpyinfo >/dev/null 2>&1
xrandr --addmode DUMMY1 1024x768 && xrandr --output DUMMY1 --mode 1024x768 --right-of DUMMY0 ||
  fail "xrandr could not add the second monitor"
[ "$(xrandr --listmonitors | sed -n 's/^Monitors: //p')" = 2 ] || fail "X has not two monitors"

# A plain background: the leaves are the only other colours. Fifteen columns of 68 pixels on
# each monitor, row by row from its top left, a cell every half second.
make_home "$e2e_dir/home" False
HOME="$e2e_dir/home" "$program" --root --size 15 --algorithm 1 --no-random --fast 0 &
pid=$!
e2e_pids+=($pid)
right_first_cell() { shot "$e2e_dir/now.png"; [ "$(colours "$e2e_dir/now.png" 60x60+1028+4)" -gt 1 ]; }
wait_for 60 "a leaf in the right monitor's first cell" right_first_cell
[ "$(colours "$e2e_dir/now.png" 460x60+560+4)" -eq 1 ] ||
  fail "the right monitor's first leaf came after the left one's row: one grid across the seam"
[ "$(colours "$e2e_dir/now.png" 60x60+4+4)" -gt 1 ] || fail "no leaf in the left monitor's first cell"
kill -0 $pid || fail "ambervale ended on its own"
stop_expecting_success $pid
echo "two monitors ok"
