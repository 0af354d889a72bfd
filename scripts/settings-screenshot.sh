#!/usr/bin/env bash
# Makes docs/settings.png: build/native/ambervale-settings on a private Xvfb screen with a
# settings file of Size 14, the rings and Random off, taken once the preview's rings have
# grown for a while.
# Usage: scripts/settings-screenshot.sh [OUTPUT] [SECONDS before the shot, default 6]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
output=$(realpath -m "${1:-$root/docs/settings.png}")
wait_seconds=${2:-6}
program="$root/build/native/ambervale-settings"
[ -x "$program" ] || { echo "build first: cmake --build build/native --target ambervale-settings" >&2; exit 1; }
source "$root/src/linux/e2e/lib.sh"

start_xvfb 1024x768
export NO_AT_BRIDGE=1 XDG_CONFIG_HOME="$e2e_dir/config"
mkdir -p "$XDG_CONFIG_HOME/ambervale"
printf 'size = 14\nalgorithm = 3\nrandom = false\n' >"$XDG_CONFIG_HOME/ambervale/ambervale.conf"
"$program" &
e2e_pids+=($!)
window_id() { xdotool search --name '^Ambervale Screensaver Settings$' | head -n1; }
wait_for 60 "the settings window" eval '[ -n "$(window_id)" ]'
sleep "$wait_seconds"
# No window manager: the window sits at the top left, as large as it asks to be.
read -r width height <<<"$(xwininfo -id "$(window_id)" | awk '/Width:/ {w = $2} /Height:/ {h = $2} END {print w, h}')"
xwd -root -silent | convert xwd:- -crop "${width}x${height}+0+0" +repage "$output"
echo "wrote $output"
