#!/usr/bin/env bash
# Makes docs/wayland.png: a real run of build/native/ambervale-wayland with desktop pictures on,
# on a headless sway (1280 x 720) whose wallpaper is a made-up evening gradient, taken once the
# leaves have covered a good part of it. Needs root (sway runs as a user of its own).
# Usage: scripts/wayland-screenshot.sh [OUTPUT] [SECONDS before the shot, default 20]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
output=$(realpath -m "${1:-$root/docs/wayland.png}")
wait_seconds=${2:-20}
program="$root/build/native/ambervale-wayland"
client="$root/build/native/src/wayland/wayland_e2e_client"
[ -x "$program" ] && [ -x "$client" ] || { echo "build first: cmake --build build/native" >&2; exit 1; }
source "$root/src/wayland/e2e/lib.sh"

convert -size 1280x720 gradient:'#2b4c6f-#c98b5a' "$e2e_dir/wallpaper.png"
chmod 644 "$e2e_dir/wallpaper.png"
sway_bg_pixel='srgb(43,76,111)'  # the wallpaper's top-left pixel
start_sway 1 "output * bg $e2e_dir/wallpaper.png fill"
start_saver --desktop-picture --no-random --algorithm 3
wait_for 60 "leaves over the wallpaper" leaves_on HEADLESS-1 "$sway_bg_pixel"
sleep "$wait_seconds"
as_user grim -o HEADLESS-1 - >"$output"
echo "wrote $output"
