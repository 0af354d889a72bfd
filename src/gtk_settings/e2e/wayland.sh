#!/usr/bin/env bash
# ambervale-settings on a headless sway: it opens as a Wayland client under its application id
# (which names its menu entry and icon) and gets the keyboard, with nothing on stderr. (Try is
# driven under Xvfb; wtype's keys do not reach GTK 3 windows on a headless sway reliably.)
# Usage: wayland.sh SAVER CLIENT SETTINGS
program=$1 client=$2 settings=$3
set -euo pipefail
source "$(dirname "$0")/../../wayland/e2e/lib.sh"
cp "$settings" "$bin_dir/ambervale-settings"
chmod 755 "$bin_dir/ambervale-settings"

start_sway 1
(as_user env NO_AT_BRIDGE=1 GDK_BACKEND=wayland "$bin_dir/ambervale-settings" 2>>"$e2e_dir/settings.log") &
settings_pid=$!
e2e_pids+=($settings_pid)
sway_ipc() {
  local socket
  socket=$(find "$runtime_dir" -maxdepth 1 -name 'sway-ipc.*.sock' | head -n1)
  as_user env SWAYSOCK="$socket" swaymsg "$@"
}
# The window is there and has the keyboard.
window_focused() {
  sway_ipc -t get_tree |
    grep -o '"focused": [a-z]*\|"app_id": "[^"]*"' | grep -A1 '"focused": true' |
    grep -q '"app_id": "org.ambervale_screensaver.Settings"'
}
wait_for 60 "the settings window focused on sway" window_focused

kill -0 "$settings_pid" || fail "the settings window ended"
grep -v '^$' "$e2e_dir/settings.log" && fail "the settings window wrote to stderr"
echo "settings wayland ok"
