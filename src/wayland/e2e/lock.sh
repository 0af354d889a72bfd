#!/usr/bin/env bash
# On sway, the desktop's lock played by fakes on private session and system buses
# (fake_lock.js): GNOME's ActiveChanged ends the saver, and a saver started behind the lock ends at
# once; "lock when it ends" asks the desktop's own lock first and logind's LockSession where there
# is none, and ends only once the lock is reported up; the idle watcher starts no saver while
# logind's LockedHint is up; where no lock is reported, or nothing takes the request, the saver
# stays, says so, and the next key ends it.
# Usage: lock.sh PROGRAM CLIENT
program=$1 client=$2
source "$(dirname "$0")/lib.sh"
cp "$(dirname "$0")/fake_lock.js" "$bin_dir/" && chmod 644 "$bin_dir/fake_lock.js"

# A bus of the user's own at SOCKET; the system bus is one too.
start_bus() {
  (as_user dbus-daemon --session --nofork --address="unix:path=$1" >>"$e2e_dir/dbus.log" 2>&1) &
  e2e_pids+=($!)
  wait_for 60 "the bus at $1" test -S "$1"
}
on_buses() { as_user env DBUS_SYSTEM_BUS_ADDRESS="unix:path=$runtime_dir/system_bus" "$@"; }

# start_fake KIND MODE: a desktop's lock (fake_lock.js KIND MODE), its calls in $e2e_dir/KIND.log.
start_fake() {
  (on_buses gjs "$bin_dir/fake_lock.js" "$1" "$2" >"$e2e_dir/$1.log" 2>&1) &
  fake_pid=$!
  e2e_pids+=($fake_pid)
  wait_for 60 "the fake $1" grep -q ready "$e2e_dir/$1.log"
}
gnome_active() {
  as_user gdbus call --session --dest org.gnome.ScreenSaver --object-path /org/gnome/ScreenSaver \
    --method org.gnome.ScreenSaver.SetActive "$1" >/dev/null
}
locked_hint() {
  on_buses gdbus call --system --dest org.freedesktop.login1 --object-path /org/freedesktop/login1/session/_31 \
    --method org.freedesktop.login1.Session.SetLockedHint "$1" >/dev/null
}
# lock_saver ARGS...: the saver on both buses, its leaves on the screen; sets saver_pid.
lock_saver() {
  (on_buses "$program" "$@" 2>>"$e2e_dir/saver.log") &
  saver_pid=$!
  e2e_pids+=($saver_pid)
  wait_for 60 "leaves" leaves_on HEADLESS-1 "$plain_pixel"
}
# still_showing WHAT: the saver drew on after WHAT, and runs.
still_showing() {
  saver_went_on
  kill -0 "$saver_pid" 2>/dev/null || fail "the saver ended $1"
  leaves_on HEADLESS-1 "$plain_pixel" || fail "no leaves $1"
}
# unconfirmed_lock MESSAGE WHAT: with lock-on-end, a key asks for the lock; the saver says MESSAGE
# and stays; the next key ends it.
unconfirmed_lock() {
  lock_saver --lock-on-end
  as_user wtype -s 300 a
  wait_for 60 "'$1' said" grep -q "$1" "$e2e_dir/saver.log"
  still_showing "after $2"
  as_user wtype -s 300 a
  expect_exit "$saver_pid" 0 "the key after $2"
}

start_bus "$runtime_dir/bus"
start_bus "$runtime_dir/system_bus"
start_sway 1

start_fake gnome hold
lock_saver
gnome_active true
expect_exit "$saver_pid" 0 "GNOME's ActiveChanged"
wait_for 60 "the desktop back after the lock" pixel_is HEADLESS-1 "$sway_bg_pixel"
status=0
on_buses timeout 60 "$program" 2>>"$e2e_dir/saver.log" || status=$?
[ $status -eq 0 ] || fail "a saver started behind the lock: status $status"
grep -q 'locked or blanked (org.gnome.ScreenSaver)' "$e2e_dir/saver.log" || fail "the lock at the start unsaid"
stop_pids "$fake_pid"

# Lock when it ends: the desktop's own lock, which answers at once.
start_fake gnome answer
lock_saver --lock-on-end
as_user wtype -s 300 a
expect_exit "$saver_pid" 0 "a key and GNOME's lock"
grep -q '^Lock$' "$e2e_dir/gnome.log" || fail "GNOME's Lock was not called"
stop_pids "$fake_pid"

# No desktop lock: logind's, for our session; the saver waits until LockedHint says the lock is up.
start_fake logind hold
lock_saver --lock-on-end
as_user wtype -s 300 a
wait_for 60 "LockSession" grep -q '^LockSession auto$' "$e2e_dir/logind.log"
still_showing "before the lock was up"
locked_hint true
expect_exit "$saver_pid" 0 "LockedHint"

# The watcher starts nothing while the session is locked, and its saver comes after the unlock.
(on_buses "$program" --idle 2 --fast 50 2>>"$e2e_dir/watcher.log") &
watcher_pid=$!
e2e_pids+=($watcher_pid)
wait_for 60 "the watcher held off" grep -q 'the session is locked or blanked: no saver' "$e2e_dir/watcher.log"
saver_shown && fail "a saver behind the lock"
locked_hint false
as_user wtype -s 300 a
wait_for 60 "the saver after the unlock" saver_shown
kill -TERM "$watcher_pid"
expect_exit "$watcher_pid" 0 "SIGTERM to the watcher"

# No locker reports a lock (logind takes the request and nothing follows), then nothing takes the
# request at all: the saver stays and says so; the next key ends it.
unconfirmed_lock 'no lock screen was reported' "a lock nobody reported"
stop_pids "$fake_pid"
unconfirmed_lock 'nothing locks this session' "a lock nothing took"
echo "lock ok"
