#!/usr/bin/env bash
# One table of the hosts side by side, on this machine, in one run: the X11 hack on Xvfb,
# ambervale-wayland on a headless sway (pixman renderer), the Windows composited window under
# Wine (scripts/measure-wine.sh; WINE=0 leaves it out), and XScreenSaver's slidescreen and
# distort on Xvfb as peers, at 1920 x 1080 and 3840 x 2160 and Fast 0, 33, 45 and 50. For each:
# ticks a second against the promised 1000 / (102 - 2 x Fast), presents a second (both from the
# program's --fps summary), the CPU share of one core of the program and of its display server,
# and the program's resident memory. The savers draw on their plain background.
# Run as root (sway runs as a user of its own).
# Usage: scripts/measure-hosts.sh [SECONDS per run, default 10]
#   BUILD=DIR   the build tree whose ambervale and ambervale-wayland to measure (build/native)
#   SIZES, FASTS  what to measure ("1920x1080 3840x2160", "0 33 45 50")
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-10}
build=${BUILD:-$root/build/native}
x11_program="$build/ambervale"
program="$build/ambervale-wayland"
client="$root/build/native/src/wayland/wayland_e2e_client"
for f in "$x11_program" "$program" "$client"; do
  [ -x "$f" ] || { echo "build first: cmake --build build/native ($f is missing)" >&2; exit 1; }
done
peers=/usr/libexec/xscreensaver
source "$root/src/wayland/e2e/lib.sh"
hz=$(getconf CLK_TCK)

cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
percent() { awk -v c="$1" -v hz="$hz" -v ns="$2" 'BEGIN {printf "%.2f", 100 * c / hz / (ns / 1e9)}'; }
# The process that runs PATTERN (the subshells and setpriv of the helpers are not it).
pid_of() { wait_for 60 "$1 running" pgrep -n -f "$1" >/dev/null && pgrep -n -f "$1"; }

# measure PID SERVER_PID: sets cpu_program, cpu_server (percent of a core) and rss (MiB) over
# `seconds`, after a settling second.
measure() {
  local pid=$1 server=$2 t0 p0 s0 t1 p1 s1
  sleep 1
  t0=$(date +%s%N); p0=$(cpu_ticks "$pid"); s0=$(cpu_ticks "$server")
  sleep "$seconds"
  t1=$(date +%s%N); p1=$(cpu_ticks "$pid"); s1=$(cpu_ticks "$server")
  cpu_program=$(percent $((p1 - p0)) $((t1 - t0)))
  cpu_server=$(percent $((s1 - s0)) $((t1 - t0)))
  rss=$(awk '/VmRSS/ {printf "%.0f", $2 / 1024}' "/proc/$pid/status")
}

# row HOST SIZE FAST SUMMARY_LOG: one line of the table, after `measure`.
row() {
  local ticks="-" presents="-" nominal="-" line
  line=$(grep -m1 ' ticks, mean interval' "$4" 2>/dev/null || true)
  if [ -n "$line" ]; then
    ticks=$(sed 's/.*mean interval \([0-9.]*\) ms.*/\1/' <<<"$line" | awk '{printf "%.1f", 1000 / $1}')
    presents=$(sed -n 's/.*presents, \([0-9.]*\) a second.*/\1/p' <<<"$line")
    presents=${presents:--}
  fi
  [ "$3" = "-" ] || nominal=$(awk -v f="$3" 'BEGIN {printf "%.1f", 1000 / (102 - 2 * f)}')
  printf '| %s | %s | %s | %s | %s | %s | %s | %s | %s | %s |\n' "$1" "$2" "$3" "$ticks" "$nominal" "$presents" \
    "$cpu_program" "$cpu_server" "$(awk -v a="$cpu_program" -v b="$cpu_server" 'BEGIN {printf "%.2f", a + b}')" "$rss"
}

echo "$seconds s a run, $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg), $(basename "$build")"
echo
echo "| host | size | Fast | ticks/s | promised | presents/s | program % | server % | together % | memory MiB |"
echo "|---|---|---|---|---|---|---|---|---|---|"
for size in ${SIZES:-1920x1080 3840x2160}; do
  start_sway 1 "output HEADLESS-1 resolution $size"
  sway_pid=$(pid_of "^sway -c $e2e_dir/sway.conf")
  for fast in ${FASTS:-0 33 45 50}; do
    : >"$e2e_dir/saver.log"
    start_saver --fast "$fast" --fps
    wait_for 60 "leaves" leaves_on HEADLESS-1 "$plain_pixel"
    measure "$(pid_of "^$program --fast $fast")" "$sway_pid"
    kill -TERM "$(pid_of "^$program --fast $fast")"
    wait "$saver_pid" || true
    row wayland "$size" "$fast" "$e2e_dir/saver.log"
  done
  stop_pids "$sway_pid"

  rm -f "$e2e_dir/display"  # or the new server's display number may be read from the last one's
  start_xvfb "$size"
  xvfb_pid=${e2e_pids[-1]}
  make_home "$e2e_dir/x11home" False
  for fast in ${FASTS:-0 33 45 50}; do
    HOME="$e2e_dir/x11home" "$x11_program" --root --fps --fast "$fast" 2>"$e2e_dir/x11.log" &
    pid=$!
    measure "$pid" "$xvfb_pid"
    kill -TERM "$pid"
    wait "$pid" || true
    row x11 "$size" "$fast" "$e2e_dir/x11.log"
  done
  # The peers at their own defaults, over the root window's picture where they take one.
  make_home "$e2e_dir/peerhome" True
  for peer in slidescreen distort; do
    [ -x "$peers/$peer" ] || { echo "| $peer | $size | not installed (xscreensaver-data, -extra) |"; continue; }
    HOME="$e2e_dir/peerhome" "$peers/$peer" -root >/dev/null 2>&1 &
    pid=$!
    measure "$pid" "$xvfb_pid"
    kill -TERM "$pid"
    wait "$pid" || true
    row "$peer" "$size" - /dev/null
  done
  stop_pids "$xvfb_pid"
done
# The Windows composited window under Wine, in the same run (WINE=0 leaves it out).
if [ "${WINE:-1}" != 0 ]; then
  ROWS_ONLY=1 SIZES="${SIZES:-1920x1080 3840x2160}" FASTS="${FASTS:-0 33 45 50}" \
    bash "$root/scripts/measure-wine.sh" "$seconds"
fi
