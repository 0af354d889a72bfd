#!/usr/bin/env bash
# The screensaver switch of ambervale-settings on a headless compositor, driven through the
# window's accessibility tree: on starts an idle watcher that outlives the window; a second on
# leaves one watcher; new minutes restart it with them; off stops it and removes the autostart
# entry; a watcher of an earlier version is stopped too. A watcher whose program has been
# removed ends at its next idle time.
# Usage: switch.sh sway|kwin|gnome-shell SAVER CLIENT SETTINGS
compositor=$1 program=$2 client=$3 settings=$4
set -euo pipefail
# GNOME Shell runs in a private mount namespace with a tmpfs over /run/systemd (no systemd runs
# here, yet its folder says logind does) and a system bus of its own: that needs root.
if [ "$compositor" = gnome-shell ] && [ -z "${AMBERVALE_PRIVATE_MOUNTS:-}" ]; then
  [ "$(id -u)" -eq 0 ] || { echo "switch.sh gnome-shell needs root for its mount namespace" >&2; exit 1; }
  AMBERVALE_PRIVATE_MOUNTS=1 exec unshare --mount --propagation private bash "$0" "$@"
fi
source "$(dirname "$0")/../../wayland/e2e/lib.sh"
cp "$settings" "$bin_dir/ambervale-settings"
cp "$(dirname "$0")/atspi.js" "$bin_dir/"
chmod 755 "$bin_dir"/*
entry="$user_home/.config/autostart/ambervale-wayland-idle.desktop"
# What the window, its driver and the watchers said, with the failure.
fail() {
  echo "FAIL: $*" >&2
  ps -u "$sway_user" -o pid,args >&2
  tail -n 8 "$e2e_dir"/settings.log "$e2e_dir"/atspi.log "$e2e_dir"/dbus.log >&2 2>/dev/null
  exit 1
}

# A session bus that starts the accessibility bus and nothing else: the desktop portal, which
# the window would ask where the desktop picture comes from, is no part of this test.
mkdir -p "$e2e_dir/services"
cp /usr/share/dbus-1/services/org.a11y.Bus.service "$e2e_dir/services/"
sed "s|<standard_session_servicedirs */>|<servicedir>$e2e_dir/services</servicedir>|" /usr/share/dbus-1/session.conf \
  >"$e2e_dir/bus.conf"
chmod -R a+rX "$e2e_dir/services" "$e2e_dir/bus.conf"
(as_user dbus-daemon --config-file="$e2e_dir/bus.conf" --nofork --address="unix:path=$runtime_dir/bus" >"$e2e_dir/dbus.log" 2>&1) &
e2e_pids+=($!)
wait_for 60 "the session bus" test -S "$runtime_dir/bus"
case $compositor in
  sway) start_sway 1 ;;
  kwin)
    # A copy without the file capabilities that an unprivileged user may not take.
    cp /usr/bin/kwin_wayland "$bin_dir/kwin_wayland" && chmod 755 "$bin_dir/kwin_wayland"
    (as_user env XDG_CURRENT_DESKTOP=KDE "$bin_dir/kwin_wayland" --virtual --width 1280 --height 720 \
      --socket wayland-1 --no-lockscreen >"$e2e_dir/kwin.log" 2>&1) &
    e2e_pids+=($!)
    wait_for 120 "KWin's socket" test -S "$runtime_dir/wayland-1"
    ;;
  gnome-shell)
    mount -t tmpfs tmpfs /run/systemd
    mount -t tmpfs tmpfs /run/dbus
    (dbus-daemon --system --nofork >"$e2e_dir/system-bus.log" 2>&1) &
    e2e_pids+=($!)
    wait_for 60 "the system bus" test -S /run/dbus/system_bus_socket
    (as_user env XDG_CURRENT_DESKTOP=GNOME XDG_SESSION_TYPE=wayland gnome-shell --headless --virtual-monitor 1280x720 \
      --wayland --no-x11 --wayland-display=wayland-1 >"$e2e_dir/shell.log" 2>&1) &
    e2e_pids+=($!)
    wait_for 120 "GNOME Shell on the session bus" \
      as_user gdbus introspect --session --dest org.gnome.Shell --object-path /org/gnome/Shell
    wait_for 60 "GNOME Shell's socket" test -S "$runtime_dir/wayland-1"
    ;;
  *) fail "no such compositor: $compositor" ;;
esac

# start_settings: the window, on the accessibility bus; sets settings_pid.
start_settings() {
  (as_user env GDK_BACKEND=wayland "$bin_dir/ambervale-settings" 2>>"$e2e_dir/settings.log") &
  settings_pid=$!
  e2e_pids+=($settings_pid)
  wait_for 60 "the settings window's switch" said 'toggle button: Use Ambervale as my screensaver'
}
window() { as_user gjs "$bin_dir/atspi.js" "$@" 2>>"$e2e_dir/atspi.log"; }
# said TEXT: the window shows TEXT (an accessible's name).
said() { window names >"$e2e_dir/names.txt" && grep -qxF -- "$1" "$e2e_dir/names.txt"; }
# watchers: the running idle watchers' command lines, one a line.
watchers() { pgrep -u "$sway_user" -af "^$program --idle" | cut -d' ' -f2- || true; }
# only_watcher SECONDS: one watcher runs, with --idle SECONDS.
only_watcher() { [ "$(watchers)" = "$program --idle $1" ]; }
no_watcher() { [ -z "$(watchers)" ]; }

start_settings
wait_for 60 "the switch off at first" said 'label: Off'
window act 'Use Ambervale as my screensaver'
wait_for 60 "the watcher started by the switch" only_watcher 300
wait_for 60 "the switch's report" said 'label: On: starts after 5 minutes idle'
grep -qx 'Exec=ambervale-wayland --idle 300' "$entry" || fail "autostart entry: $(cat "$entry")"

# A second on, from a new window: still one watcher. It outlives the window.
window act 'Use Ambervale as my screensaver'
wait_for 60 "the switch off" said 'label: Off'
window act 'Use Ambervale as my screensaver'
wait_for 60 "the switch on again" said 'label: On: starts after 5 minutes idle'
kill -TERM "$settings_pid"
wait "$settings_pid" || true
start_settings
wait_for 60 "the switch on in a new window" said 'label: On: starts after 5 minutes idle'
first=$(pgrep -u "$sway_user" -f "^$program --idle")
window act 'Use Ambervale as my screensaver'  # off
window act 'Use Ambervale as my screensaver'  # on
wait_for 60 "the switch on again" said 'label: On: starts after 5 minutes idle'
only_watcher 300 || fail "after a second on: $(watchers)"
[ "$(pgrep -u "$sway_user" -f "^$program --idle")" != "$first" ] || fail "the watcher was not restarted"

# New minutes restart it with them.
window set 'Minutes idle before the saver' 2
wait_for 60 "the watcher with the new minutes" only_watcher 120
wait_for 60 "the switch's report" said 'label: On: starts after 2 minutes idle'
grep -qx 'Exec=ambervale-wayland --idle 120' "$entry" || fail "autostart entry: $(cat "$entry")"

# Off stops it and removes the entry.
window act 'Use Ambervale as my screensaver'
wait_for 60 "the watcher's end" no_watcher
wait_for 60 "the switch's report" said 'label: Off'
[ ! -e "$entry" ] || fail "the autostart entry is left"

# A watcher of an earlier version, which takes the whole-file lock alone (a stand-in holds it),
# is found and stopped too when the switch turns on.
lock="$runtime_dir/ambervale-wayland-idle-wayland-1.lock"
(as_user flock -x -o "$lock" sleep 600) &
old_watcher=$!
e2e_pids+=($old_watcher)
wait_for 60 "the earlier version's lock" eval '! as_user flock -n "$lock" true'
window act 'Use Ambervale as my screensaver'
wait_for 60 "the watcher started by the switch" only_watcher 120
wait_for 60 "the earlier version's watcher stopped" eval '! kill -0 "$old_watcher" 2>/dev/null'
window act 'Use Ambervale as my screensaver'
wait_for 60 "the watcher's end" no_watcher
kill -TERM "$settings_pid"
wait "$settings_pid" || true
# The watchers it started write beside it, as they would into the session's log.
grep -v '^$\|^ambervale-wayland: the saver after' "$e2e_dir/settings.log" && fail "the settings window wrote to stderr"

# A watcher whose program has been removed (the package uninstalled) ends at its next idle
# time, or as the saver it started before shows no more, instead of starting the saver again.
removed="$bin_dir/removed-ambervale-wayland"
cp "$program" "$removed"
(as_user "$removed" --idle 1 --fast 50 2>>"$e2e_dir/watcher.log") &
removed_pid=$!
e2e_pids+=($removed_pid)
wait_for 60 "the watcher's start" grep -q 'the saver after 1 s idle' "$e2e_dir/watcher.log"
rm "$removed"
removed_watcher_ended() {
  pkill -TERM -u "$sway_user" -fx "$removed --fast 50" || true
  ! kill -0 "$removed_pid" 2>/dev/null
}
wait_for 60 "the watcher's end after its program's removal" removed_watcher_ended
expect_exit "$removed_pid" 0 "its program's removal"
grep -q 'the program has been removed' "$e2e_dir/watcher.log" || fail "watcher: $(cat "$e2e_dir/watcher.log")"
echo "settings switch $compositor ok"
