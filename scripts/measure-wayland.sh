#!/usr/bin/env bash
# Measures ambervale-wayland on a headless sway beside the X11 hack on Xvfb, on the same
# machine: the CPU share of one core of the program and of its display server together, at the
# default pace and at --fast 50, at 1920 x 1080 and 3840 x 2160; resident memory; the achieved
# tick interval; and how soon each ends after SIGTERM (and ambervale-wayland after a key).
# Both draw on their plain background. Run as root (sway runs as a user of its own).
# Usage: scripts/measure-wayland.sh [SECONDS per run, default 10]   (needs build/native)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-10}
x11_program="$root/build/native/ambervale"
program="$root/build/native/ambervale-wayland"
client="$root/build/native/src/wayland/wayland_e2e_client"
for f in "$x11_program" "$program" "$client"; do
  [ -x "$f" ] || { echo "build first: cmake --build build/native ($f is missing)" >&2; exit 1; }
done
source "$root/src/wayland/e2e/lib.sh"
hz=$(getconf CLK_TCK)

cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
now_ns() { date +%s%N; }
percent() { awk -v c="$1" -v hz="$hz" -v ns="$2" 'BEGIN {printf "%.2f", 100 * c / hz / (ns / 1e9)}'; }

# sample LABEL PROGRAM_PID SERVER_PID LOG: CPU over `seconds` after a settling second, and
# memory. LOG is the program's stderr, shown when it has ended before.
sample() {
  local label=$1 pid=$2 server=$3 log=$4 t0 p0 s0 t1 p1 s1
  sleep 1
  kill -0 "$pid" 2>/dev/null || fail "$label: the program has ended: $(tail -n3 "$log")"
  t0=$(now_ns); p0=$(cpu_ticks "$pid"); s0=$(cpu_ticks "$server")
  sleep "$seconds"
  kill -0 "$pid" 2>/dev/null || fail "$label: the program has ended: $(tail -n3 "$log")"
  t1=$(now_ns); p1=$(cpu_ticks "$pid"); s1=$(cpu_ticks "$server")
  local program_cpu server_cpu
  program_cpu=$(percent $((p1 - p0)) $((t1 - t0)))
  server_cpu=$(percent $((s1 - s0)) $((t1 - t0)))
  printf '%-34s program %6s %%  server %6s %%  together %6s %%  rss %6d KiB' "$label" "$program_cpu" \
    "$server_cpu" "$(awk -v a="$program_cpu" -v b="$server_cpu" 'BEGIN {printf "%.2f", a + b}')" \
    "$(awk '/VmRSS/ {print $2}' "/proc/$pid/status")"
}

# stop_timed PID: SIGTERM; sets `latency` to the milliseconds until it has ended. (Not in a
# command substitution: only this shell can wait for its child.)
stop_timed() {
  local t0
  t0=$(now_ns)
  kill -TERM "$1"
  wait "$1" || true
  latency=$((($(now_ns) - t0) / 1000000))
}

tick_line() { sed -n 's/.*mean interval \([0-9.]*\) ms (nominal \([0-9]*\) ms).*/\1 ms (nominal \2)/p' "$1" | head -n1; }

echo "$seconds s a run, $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
for size in ${SIZES:-1920x1080 3840x2160}; do
  start_sway 1 "output HEADLESS-1 resolution $size"
  sway_pid=${e2e_pids[-1]}
  for fast in 33 50; do
    : >"$e2e_dir/saver.log"
    start_saver --fast "$fast" --fps
    wait_for 60 "leaves" leaves_on HEADLESS-1 "$plain_pixel"
    sample "wayland $size --fast $fast" "$saver_pid" "$sway_pid" "$e2e_dir/saver.log"
    stop_timed "$saver_pid"
    printf '  tick %s  exit %d ms after SIGTERM\n' "$(tick_line "$e2e_dir/saver.log")" "$latency"
  done
  # The end on a key: from wtype's return (it waits 300 ms before the key, or the key may be
  # lost) to the program's end.
  start_saver
  wait_for 60 "leaves" leaves_on HEADLESS-1 "$plain_pixel"
  as_user wtype -s 300 a
  t0=$(now_ns)
  end=$((SECONDS + 60))
  while kill -0 "$saver_pid" 2>/dev/null; do
    [ $SECONDS -lt $end ] || fail "the key did not end the saver"
    sleep 0.005
  done
  echo "wayland $size: exit $((($(now_ns) - t0) / 1000000)) ms after a key"
  wait "$saver_pid" || true
  stop_pids "$sway_pid"

  rm -f "$e2e_dir/display"  # or the new server's display number may be read from the last one's
  start_xvfb "$size"
  xvfb_pid=${e2e_pids[-1]}
  make_home "$e2e_dir/x11home" False
  for fast in 33 50; do
    HOME="$e2e_dir/x11home" "$x11_program" --root --fps --fast "$fast" 2>"$e2e_dir/x11.log" &
    pid=$!
    sample "x11 $size --fast $fast" "$pid" "$xvfb_pid" "$e2e_dir/x11.log"
    stop_timed "$pid"
    printf '  tick %s  exit %d ms after SIGTERM\n' "$(tick_line "$e2e_dir/x11.log")" "$latency"
  done
  stop_pids "$xvfb_pid"
done
