#!/usr/bin/env bash
# ambervale --root on a root window of a known pattern: leaves appear over the pattern, a
# cycle's end brings the pattern back exactly, SIGTERM ends the run with exit 0 and no shared
# memory left behind; without the user's consent no picture of the screen is shown; at Fast 50
# the ticks keep their pace while the window gets at most one picture a frame.
# Also: a window of its own ends on q, a window id that names no window and a bad flag end
# with a message and exit codes 1 and 2.
# Usage: standalone.sh PROGRAM
program=$1
source "$(dirname "$0")/../../linux/e2e/lib.sh"

start_xvfb 1024x768
paint_root_pattern
shot "$e2e_dir/pattern.png"
make_home "$e2e_dir/home" True

# Ten columns of 102 pixels, eight rows, row by row from the top left: about nine seconds a
# cycle, so that the screenshots can follow it.
HOME="$e2e_dir/home" "$program" --root --size 20 --algorithm 1 --no-random --fast 40 &
pid=$!
e2e_pids+=($pid)

leaves_shown() { shot "$e2e_dir/now.png"; [ "$(differing_pixels "$e2e_dir/pattern.png" "$e2e_dir/now.png")" -gt 500 ]; }
wait_for 60 "leaves over the pattern" leaves_shown
# Where no leaf has fallen yet the pattern shows untouched.
[ "$(differing_pixels "$e2e_dir/pattern.png" "$e2e_dir/now.png" 1024x300+0+468)" -eq 0 ] ||
  fail "the pattern below the first leaves changed"

# The bottom rows get leaves late in a cycle; after the restore they show the pattern again,
# exactly, while the new cycle's first leaves fall at the top.
bottom_has_leaves() { shot "$e2e_dir/now.png"; [ "$(differing_pixels "$e2e_dir/pattern.png" "$e2e_dir/now.png" 1024x192+0+576)" -gt 0 ]; }
bottom_restored() { shot "$e2e_dir/now.png"; [ "$(differing_pixels "$e2e_dir/pattern.png" "$e2e_dir/now.png" 1024x384+0+384)" -eq 0 ]; }
wait_for 120 "leaves in the bottom rows" bottom_has_leaves
wait_for 120 "pattern restored at the cycle's end" bottom_restored
kill -0 $pid || fail "ambervale ended on its own"

stop_expecting_success $pid
[ "$(shm_segments_of $pid)" -eq 0 ] || fail "shared memory left behind"

# Debian's own choice (grabDesktopImages: False): a plain background, never the screen.
make_home "$e2e_dir/private" False
HOME="$e2e_dir/private" "$program" --root --fast 50 --fps 2>"$e2e_dir/fps" &
pid=$!
e2e_pids+=($pid)
pattern_hidden() { shot "$e2e_dir/now.png"; [ "$(colours "$e2e_dir/now.png" 1024x200+0+568)" -eq 1 ]; }
wait_for 60 "the plain background" pattern_hidden
stop_expecting_success $pid
ticks_outpace_presents "$e2e_dir/fps"

"$program" --window --geometry 320x240+10+10 &
pid=$!
e2e_pids+=($pid)
window_shown() { xdotool search --name '^Ambervale Screensaver$' >/dev/null 2>&1; }
wait_for 60 "the program's own window" window_shown
# The window is gone before xdotool sends the key's release, which xdotool reports.
xdotool key --window "$(xdotool search --name '^Ambervale Screensaver$' | head -n1)" q 2>/dev/null || true
wait $pid || fail "exit status $? after q"

status=0
"$program" --window-id 0x7ffffff 2>"$e2e_dir/err" || status=$?
[ $status -eq 1 ] && grep -q 'no window 0x7ffffff' "$e2e_dir/err" || fail "--window-id of no window: status $status"
status=0
"$program" --size twelve 2>"$e2e_dir/err" || status=$?
[ $status -eq 2 ] && grep -q '^usage: ambervale' "$e2e_dir/err" || fail "a malformed number: status $status"
echo "standalone ok"
