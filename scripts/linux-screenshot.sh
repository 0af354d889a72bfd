#!/usr/bin/env bash
# Makes docs/linux.png: a real run of build/native/ambervale under the XScreenSaver daemon on
# a private Xvfb screen (1024 x 768) whose desktop shows a made-up picture, taken once the
# leaves have covered a good part of it. Needs root (the daemon runs as a user of its own).
# Usage: scripts/linux-screenshot.sh [OUTPUT] [SECONDS before the shot, default 30]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
output=$(realpath -m "${1:-$root/docs/linux.png}")
wait_seconds=${2:-30}
program="$root/build/native/ambervale"
[ -x "$program" ] || { echo "build first: cmake --build build/native" >&2; exit 1; }
source "$root/src/linux/e2e/lib.sh"

start_xvfb 1024x768
# A desktop of sorts: an evening gradient and two windows.
convert -size 1024x768 gradient:'#2b4c6f-#c98b5a' \
  -font /usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf \
  -fill '#f2f2f2' -stroke '#555555' -draw 'rectangle 90,110 560,470' \
  -fill '#3d6a99' -draw 'rectangle 90,110 560,136' \
  -fill '#ffffff' -stroke none -pointsize 15 -draw "text 100,129 'notes.txt'" \
  -fill '#333333' -pointsize 14 -draw "text 106,170 'Rake the lawn before Sunday.'" \
  -draw "text 106,194 'Buy apples, cinnamon, butter.'" \
  -fill '#1e1e1e' -stroke '#555555' -draw 'rectangle 470,300 960,660' \
  -fill '#4a4a4a' -draw 'rectangle 470,300 960,326' \
  -fill '#9fe09f' -stroke none -pointsize 14 -draw "text 484,360 '\$ uptime'" \
  -draw "text 484,384 ' 17:42:07 up 12 days,  1 user'" \
  "$e2e_dir/desktop.png"
# Shown as a window at the top left: there is no window manager to place it elsewhere.
display -geometry +0+0 -borderwidth 0 -immutable "$e2e_dir/desktop.png" &
e2e_pids+=($!)
desktop_shown() { shot "$e2e_dir/now.png"; [ "$(colours "$e2e_dir/now.png")" -gt 100 ]; }
wait_for 60 "the desktop picture" desktop_shown

start_daemon --root --no-random --algorithm 3
as_user xscreensaver-command -activate >/dev/null
wait_for 60 "ambervale started by the daemon" hack_running
sleep "$wait_seconds"
shot "$output"
as_user xscreensaver-command -exit >/dev/null 2>&1 || true
echo "wrote $output"
