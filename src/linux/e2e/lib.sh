# Shared by the Linux end-to-end tests (X11 and Wayland): bounded waits, screenshots and their
# comparison, clean-up of everything a test started on every path, and the X11 tests' private
# Xvfb screen and daemons.
# Sourced; the test sets `program` (the built ambervale) before calling anything here.

set -euo pipefail
e2e_dir=$(mktemp -d /tmp/ambervale-e2e.XXXXXX)
chmod 755 "$e2e_dir"
e2e_pids=()

# stop_pids PID...: SIGTERM, a few seconds' grace, then SIGKILL; reaps our own children.
stop_pids() {
  local pid
  for pid in "$@"; do kill -TERM "$pid" 2>/dev/null || true; done
  for pid in "$@"; do
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
}

# Last started, first stopped: the programs before the X server they draw on.
e2e_cleanup() {
  if declare -F e2e_extra_cleanup >/dev/null; then e2e_extra_cleanup; fi
  local reversed=() i
  for ((i = ${#e2e_pids[@]} - 1; i >= 0; i--)); do reversed+=("${e2e_pids[i]}"); done
  stop_pids "${reversed[@]}"
  rm -rf "$e2e_dir"
}
trap e2e_cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# stop_expecting_success PID: the daemon's way of ending a hack; it must exit 0.
stop_expecting_success() {
  local status=0
  kill -TERM "$1"
  wait "$1" || status=$?
  [ $status -eq 0 ] || fail "exit status $status after SIGTERM"
}

# wait_for SECONDS DESCRIPTION COMMAND...: polls the command until it succeeds.
wait_for() {
  local limit=$1 what=$2; shift 2
  local end=$((SECONDS + limit))
  until "$@"; do
    [ $SECONDS -lt $end ] || fail "no $what within $limit s"
    sleep 0.1
  done
}

# start_xvfb WxH: a screen of our own on a free display; it keeps its root picture when
# clients leave (-noreset) and lets other users in (-ac).
start_xvfb() {
  local size=$1
  Xvfb -displayfd 3 -screen 0 "${size}x24" -noreset -ac -nolisten tcp 3>"$e2e_dir/display" 2>"$e2e_dir/xvfb.log" &
  e2e_pids+=($!)
  wait_for 60 "Xvfb display" test -s "$e2e_dir/display"
  export DISPLAY=":$(head -n1 "$e2e_dir/display")"
  wait_for 60 "Xvfb answering" xdpyinfo >/dev/null 2>&1
}

# A plaid root picture of two colours that the test can recognise.
paint_root_pattern() { xsetroot -mod 16 16 -fg '#336699' -bg '#cc9933'; }

# shot FILE: the whole screen as PNG.
shot() { xwd -root -silent | convert xwd:- "$1"; }

# differing_pixels A B [WxH+X+Y]: how many pixels differ between two shots (in the region).
differing_pixels() {
  local crop=()
  [ $# -ge 3 ] && crop=(-crop "$3" +repage)
  convert "$1" "${crop[@]}" "$e2e_dir/a.ppm" && convert "$2" "${crop[@]}" "$e2e_dir/b.ppm" || return 1
  local count
  count=$(compare -metric AE "$e2e_dir/a.ppm" "$e2e_dir/b.ppm" null: 2>&1 || true)
  [[ $count =~ ^[0-9]+$ ]] || { echo "compare: $count" >&2; return 1; }
  echo "$count"
}

# colours FILE [WxH+X+Y]: how many distinct colours the shot (region) holds.
colours() {
  local crop=()
  [ $# -ge 2 ] && crop=(-crop "$2" +repage)
  convert "$1" "${crop[@]}" -format '%k' info:
}

# A home whose ~/.xscreensaver allows or forbids desktop pictures.
# ticks_outpace_presents LOG: a run at Fast 50 ticks at its pace (500 a second), not once a
# display frame: its --fps summary shows at least three ticks for every present.
ticks_outpace_presents() {
  local line ticks presents
  line=$(grep -m1 ' ticks, mean interval' "$1") || fail "no --fps summary in $1"
  ticks=$(sed 's/.* \([0-9]*\) ticks, .*/\1/' <<<"$line")
  presents=$(sed 's/.*), \([0-9]*\) presents,.*/\1/' <<<"$line")
  [ "$presents" -gt 0 ] && [ "$ticks" -ge $((3 * presents)) ] || fail "at Fast 50: $line"
}

make_home() {  # make_home DIR True|False
  mkdir -p "$1"
  printf 'grabDesktopImages:\t%s\n' "$2" >"$1/.xscreensaver"
}

# The shared memory segments the process created that are still there.
shm_segments_of() { ipcs -m -p | awk -v pid="$1" '$3 == pid' | wc -l; }

# make_daemon_user: an unprivileged user of the test's own (daemons launch no hacks as root)
# with a home and a copy of the program it can reach. Sets daemon_user, daemon_home,
# daemon_bin; needs root.
make_daemon_user() {
  daemon_user="ambervale-e2e-$$"
  daemon_home="$e2e_dir/home"
  daemon_bin="$e2e_dir/bin"
  mkdir -p "$daemon_home" "$daemon_bin"
  # The user must reach the program: a clone under /root may be closed to others.
  cp "$program" "$daemon_bin/ambervale"
  chmod 755 "$daemon_bin" "$daemon_bin/ambervale"
  useradd -M -U -d "$daemon_home" -s /usr/sbin/nologin "$daemon_user"
}

# start_daemon ARGS...: XScreenSaver's daemon running as an unprivileged user of the test's
# own (it launches no hacks as root), whose ~/.xscreensaver runs only `$program ARGS...`,
# with desktop pictures allowed. Sets daemon_user, daemon_home, daemon_bin; needs root.
start_daemon() {
  make_daemon_user
  cat >"$daemon_home/.xscreensaver" <<XSS
timeout:	0:30:00
cycle:		0:10:00
lock:		False
fade:		False
unfade:		False
splash:		False
dpmsEnabled:	False
mode:		one
selected:	0
grabDesktopImages:	True
programs:	$daemon_bin/ambervale $* \\n
XSS
  chown -R "$daemon_user:$daemon_user" "$daemon_home"
  as_user xscreensaver -no-splash -verbose >"$e2e_dir/xscreensaver.log" 2>&1 &
  e2e_pids+=($!)
  wait_for 60 "XScreenSaver daemon" daemon_ready
}

# The daemon's user's processes (the daemon, its helper, our hack), then the user.
daemon_cleanup() {
  [ -n "${daemon_user:-}" ] || return 0
  local pids
  pids=$(pgrep -u "$daemon_user" | tr '\n' ' ' || true)
  # shellcheck disable=SC2086
  [ -n "$pids" ] && stop_pids $pids
  userdel "$daemon_user" 2>/dev/null || true
}
e2e_extra_cleanup() { daemon_cleanup; }

as_user() {
  setpriv --reuid="$daemon_user" --regid="$daemon_user" --init-groups env -i HOME="$daemon_home" \
    USER="$daemon_user" LOGNAME="$daemon_user" DISPLAY="$DISPLAY" PATH=/usr/bin:/bin "$@"
}
daemon_ready() { as_user xscreensaver-command -version >/dev/null 2>&1; }
# The pid of the hack the daemon runs, if any.
hack_pid() { pgrep -u "$daemon_user" -f "^$daemon_bin/ambervale( |\$)" | head -n1; }
hack_running() { [ -n "$(hack_pid)" ]; }
