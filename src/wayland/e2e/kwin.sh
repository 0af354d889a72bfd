#!/usr/bin/env bash
# KDE's KWin (virtual backend, a copy without its file capabilities) as an unprivileged user, with
# the package's desktop entry installed: the saver takes the live desktop through KWin's
# screenshot interface (a known window behind it shows in the saver's picture), and the idle
# watcher starts it through KWin's idle protocol.
# Usage: kwin.sh PROGRAM CLIENT
program=$1 client=$2
source "$(dirname "$0")/lib.sh"
rm "$user_home/.config/ambervale/ambervale.conf"  # the desktop picture as by default
cp /usr/bin/kwin_wayland "$bin_dir/kwin_wayland" && chmod 755 "$bin_dir/kwin_wayland"

# KWin grants its screenshot interface to the programs whose installed entries name it: the
# saver's entry as the package installs it, and one for the test's own picture taker.
applications="$user_home/.local/share/applications"
mkdir -p "$applications"
sed "s|@AMBERVALE_WAYLAND_PATH@|$program|" "$(dirname "$0")/../org.ambervale_screensaver.Wayland.desktop.in" \
  >"$applications/org.ambervale_screensaver.Wayland.desktop"
sed "s|@AMBERVALE_WAYLAND_PATH@|$client|; s|^Name=.*|Name=Test pictures|" \
  "$(dirname "$0")/../org.ambervale_screensaver.Wayland.desktop.in" >"$applications/test-shot.desktop"
chown -R "$sway_user:" "$user_home"

(as_user dbus-daemon --session --nofork --address="unix:path=$runtime_dir/bus" >"$e2e_dir/dbus.log" 2>&1) &
e2e_pids+=($!)
wait_for 60 "the session bus" test -S "$runtime_dir/bus"
(as_user env XDG_CURRENT_DESKTOP=KDE "$bin_dir/kwin_wayland" --virtual --width 1280 --height 720 --socket wayland-1 \
  --no-lockscreen >"$e2e_dir/kwin.log" 2>&1) &
e2e_pids+=($!)
kwin_shot() { as_user "$client" shot 1280 720 "$user_home/kwin.ppm" 2>>"$e2e_dir/shot.log"; }
wait_for 120 "KWin's screenshot interface" kwin_shot

# A known window (64 x 64 of grey 128) on the desktop, then the saver over it.
touch "$e2e_dir/window.log"
(as_user "$client" inhibit 600 >"$e2e_dir/window.log") &
window_pid=$!
e2e_pids+=($window_pid)
wait_for 60 "the known window" grep -q inhibiting "$e2e_dir/window.log"
grey_pixels() { convert "$user_home/kwin.ppm" -fill black +opaque 'rgb(128,128,128)' -fill white -opaque 'rgb(128,128,128)' \
  -format '%[fx:int(mean*w*h+0.5)]' info:; }
leaves_over_window() { kwin_shot && [ "$(grey_pixels)" -ge 1000 ] && [ "$(colours "$user_home/kwin.ppm")" -gt 50 ]; }
(as_user env XDG_CURRENT_DESKTOP=KDE "$program" --fast 50 --fps 2>>"$e2e_dir/saver.log") &
saver_pid=$!
e2e_pids+=($saver_pid)
wait_for 60 "leaves over the live desktop" leaves_over_window
grep -q "the desktop from KWin's ScreenShot2" "$e2e_dir/saver.log" || fail "not from KWin: $(cat "$e2e_dir/saver.log")"
if [ -n "${AMBERVALE_SHOT_DIR:-}" ]; then  # scripts/desktop-screenshots.sh
  sleep 25
  kwin_shot && convert "$user_home/kwin.ppm" "$AMBERVALE_SHOT_DIR/leaves-on-kwin.png"
fi
kill -TERM "$saver_pid"
expect_exit "$saver_pid" 0 "SIGTERM"
grep -h 'after [0-9]* ms' "$e2e_dir/saver.log"

# The watcher learns of idle time from KWin's idle protocol once the window that inhibits it is gone.
kill -TERM "$window_pid"
(as_user "$program" --idle 2 --fast 50 2>>"$e2e_dir/watcher.log") &
watcher_pid=$!
e2e_pids+=($watcher_pid)
wait_for 60 "the idle watcher's saver" saver_shown
wait_for 60 "its leaves" eval 'kwin_shot && [ "$(colours "$user_home/kwin.ppm")" -gt 50 ]'
kill -TERM "$watcher_pid"
expect_exit "$watcher_pid" 0 "SIGTERM to the watcher"
echo "kwin ok"
