#!/usr/bin/env bash
# On sway: the idle watcher through the compositor's idle protocol, held off while an
# application inhibits idle, shows the saver after the idle time, a key ends it, the next idle
# stretch shows it again; and the full-screen toplevel
# where the layer shell is not taken draws leaves like the overlay does.
# Usage: idle.sh PROGRAM CLIENT
program=$1 client=$2
source "$(dirname "$0")/lib.sh"
start_sway 1

held_off_by_inhibitor as_user "$client" inhibit 8
wait_for 60 "leaves after 2 s idle" leaves_on HEADLESS-1 "$plain_pixel"
grep -Eq 'ext-idle-notify-v1|org_kde_kwin_idle' "$e2e_dir/watcher.log" || fail "the watcher used no idle protocol"
as_user wtype -s 300 a
wait_for 60 "the desktop back after a key" pixel_is HEADLESS-1 "$sway_bg_pixel"
wait_for 60 "leaves after the next idle stretch" leaves_on HEADLESS-1 "$plain_pixel"
kill -TERM "$watcher_pid"
expect_exit "$watcher_pid" 0 "SIGTERM to the watcher"
wait_for 60 "the desktop back after the watcher's end" pixel_is HEADLESS-1 "$sway_bg_pixel"

(as_user env AMBERVALE_WAYLAND_SHELL=xdg "$program" --fast 50 2>>"$e2e_dir/saver.log") &
saver_pid=$!
e2e_pids+=($saver_pid)
wait_for 60 "leaves in the full-screen toplevel" leaves_on HEADLESS-1 "$plain_pixel"
[ -n "${AMBERVALE_E2E_PICTURE:-}" ] && cp "$e2e_dir/leaves.ppm" "$AMBERVALE_E2E_PICTURE"
as_user wtype -s 300 a
expect_exit "$saver_pid" 0 "a key"
echo "idle ok"
