#!/usr/bin/env bash
# The real GNOME Shell, headless, as an unprivileged user: the leaves over the user's wallpaper
# (set through gsettings) with no top bar, started while the Activities overview is open (the
# saver closes it and takes the keyboard: a key ends it), and the idle watcher's saver over the
# wallpaper. Needs root: the Shell runs in a private mount namespace with a tmpfs over
# /run/systemd (no systemd runs here, yet its folder says logind does) and a system bus of its own.
# Usage: gnome_shell.sh PROGRAM CLIENT INPUT
if [ -z "${AMBERVALE_PRIVATE_MOUNTS:-}" ]; then
  [ "$(id -u)" -eq 0 ] || { echo "gnome_shell.sh needs root for its mount namespace" >&2; exit 1; }
  AMBERVALE_PRIVATE_MOUNTS=1 exec unshare --mount --propagation private bash "$0" "$@"
fi
program=$1 client=$2 input=$3
source "$(dirname "$0")/lib.sh"
cp "$input" "$bin_dir/gnome_input" && cp "$(dirname "$0")/shell_screenshot.js" "$bin_dir/" && chmod 755 "$bin_dir"/*
input="$bin_dir/gnome_input"
# What the savers said, with the failure.
fail() {
  echo "FAIL: $*" >&2
  tail -n 5 "$e2e_dir"/saver.log "$e2e_dir"/watcher.log "$e2e_dir"/shell.log >&2 2>/dev/null
  exit 1
}
mount -t tmpfs tmpfs /run/systemd
mount -t tmpfs tmpfs /run/dbus
(dbus-daemon --system --nofork >"$e2e_dir/system-bus.log" 2>&1) &
e2e_pids+=($!)
wait_for 60 "the system bus" test -S /run/dbus/system_bus_socket

# A wallpaper of four known colours, twice the screen's shape at half its size: zoomed, each
# corner of the screen shows its quadrant's colour.
convert -size 320x180 xc:'#cc3300' -size 320x180 xc:'#0066cc' +append \
  \( -size 320x180 xc:'#33aa44' -size 320x180 xc:'#eecc11' +append \) -append "$e2e_dir/wallpaper.png"
chmod 644 "$e2e_dir/wallpaper.png"
rm "$user_home/.config/ambervale/ambervale.conf"  # the desktop picture as by default
top_left='srgb(204,51,0)' top_right='srgb(0,102,204)' bottom_left='srgb(51,170,68)'

(as_user dbus-daemon --session --nofork --address="unix:path=$runtime_dir/bus" >"$e2e_dir/dbus.log" 2>&1) &
e2e_pids+=($!)
wait_for 60 "the session bus" test -S "$runtime_dir/bus"
as_user gsettings set org.gnome.desktop.background picture-uri "file://$e2e_dir/wallpaper.png"
as_user gsettings set org.gnome.desktop.background picture-options zoom
# Without GDM the Shell announces "Screen Lock disabled" in a banner that would lie over the pictures.
as_user gsettings set org.gnome.desktop.notifications show-banners false
(as_user env XDG_CURRENT_DESKTOP=GNOME XDG_SESSION_TYPE=wayland gnome-shell --headless --virtual-monitor 1280x720 \
  --wayland --no-x11 --wayland-display=wayland-1 >"$e2e_dir/shell.log" 2>&1) &
e2e_pids+=($!)
shell_property() {
  as_user gdbus call --session --dest org.gnome.Shell --object-path /org/gnome/Shell \
    --method org.freedesktop.DBus.Properties.Get org.gnome.Shell "$1" 2>/dev/null
}
wait_for 120 "GNOME Shell in its overview" eval 'shell_property OverviewActive | grep -q true'

shell_shot() { as_user gjs "$bin_dir/shell_screenshot.js" "$user_home/shell.png" >/dev/null 2>&1; }
pixel_at() { convert "$user_home/shell.png" -alpha off -format "%[pixel:p{$1,$2}]" info:; }
# Leaves over the wallpaper, corner to corner, and no top bar over them.
leaves_over_wallpaper() {
  shell_shot && [ "$(pixel_at 2 2)" = "$top_left" ] && [ "$(pixel_at 1277 2)" = "$top_right" ] &&
    [ "$(pixel_at 2 717)" = "$bottom_left" ] && [ "$(colours "$user_home/shell.png")" -gt 50 ]
}
saver() { as_user env XDG_CURRENT_DESKTOP=GNOME "$program" "$@"; }

(saver --fast 50 --fps 2>>"$e2e_dir/saver.log") &
saver_pid=$!
e2e_pids+=($saver_pid)
wait_for 60 "leaves over the wallpaper, over the overview" leaves_over_wallpaper
shell_property OverviewActive | grep -q false || fail "the overview is still open"
grep -q 'the desktop from the wallpaper' "$e2e_dir/saver.log" || fail "no wallpaper source: $(cat "$e2e_dir/saver.log")"
# scripts/desktop-screenshots.sh: the picture for the documentation, once many leaves lie.
if [ -n "${AMBERVALE_SHOT_DIR:-}" ]; then
  sleep 25
  shell_shot && convert "$user_home/shell.png" -alpha off "$AMBERVALE_SHOT_DIR/leaves-on-gnome-shell.png"
fi
as_user "$input" key 30 || fail "RemoteDesktop key"
expect_exit "$saver_pid" 0 "a key"

(saver --idle 2 --fast 50 2>>"$e2e_dir/watcher.log") &
watcher_pid=$!
e2e_pids+=($watcher_pid)
wait_for 60 "the idle watcher's leaves over the wallpaper" leaves_over_wallpaper
kill -TERM "$watcher_pid"
expect_exit "$watcher_pid" 0 "SIGTERM to the watcher"
grep -h 'after [0-9]* ms' "$e2e_dir/saver.log"
echo "gnome shell ok"
