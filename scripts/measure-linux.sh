#!/usr/bin/env bash
# Measures the Linux hack on private Xvfb screens: its CPU share of one core at the default
# pace and at --fast 50, its resident memory at 1920 x 1080 and 3840 x 2160, and the achieved
# tick interval against the nominal one at --fast 0, 33, 45 and 50, and how soon it ends
# after SIGTERM.
# Usage: scripts/measure-linux.sh [SECONDS per run, default 10]   (needs build/native/ambervale)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
program="$root/build/native/ambervale"
seconds=${1:-10}
[ -x "$program" ] || { echo "build first: cmake --build build/native" >&2; exit 1; }
work=$(mktemp -d)
xvfb=""
cleanup() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/home"
printf 'grabDesktopImages: True\n' >"$work/home/.xscreensaver"
hz=$(getconf CLK_TCK)

start_screen() {  # start_screen WxH
  if [ -n "$xvfb" ]; then kill "$xvfb"; wait "$xvfb" 2>/dev/null || true; fi
  rm -f "$work/display"
  Xvfb -displayfd 3 -screen 0 "${1}x24" -noreset -nolisten tcp 3>"$work/display" 2>/dev/null &
  xvfb=$!
  until [ -s "$work/display" ]; do sleep 0.1; done
  export DISPLAY=":$(head -n1 "$work/display")"
  xsetroot -mod 16 16 -fg '#336699' -bg '#cc9933'
}

cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

# run LABEL ARGS...: one run of `seconds`, after a one-second settling.
run() {
  local label=$1; shift
  HOME="$work/home" "$program" --root --fps "$@" 2>"$work/stderr" &
  local pid=$!
  sleep 1
  local t0 c0 t1 c1
  t0=$(date +%s%N); c0=$(cpu_ticks $pid)
  sleep "$seconds"
  t1=$(date +%s%N); c1=$(cpu_ticks $pid)
  local rss hwm
  rss=$(awk '/VmRSS/ {print $2}' /proc/$pid/status)
  hwm=$(awk '/VmHWM/ {print $2}' /proc/$pid/status)
  local k0 k1
  k0=$(date +%s%N)
  kill -TERM $pid
  wait $pid
  k1=$(date +%s%N)
  local cpu
  cpu=$(awk -v c=$((c1 - c0)) -v hz="$hz" -v ns=$((t1 - t0)) 'BEGIN {printf "%.2f", 100 * c / hz / (ns / 1e9)}')
  local interval
  interval=$(sed -n 's/.*mean interval \([0-9.]*\) ms (nominal \([0-9]*\) ms).*/\1 ms (nominal \2 ms)/p' "$work/stderr")
  printf '%-24s cpu %6s %% of a core   rss %6d KiB (peak %6d KiB)   tick %s   exit %d ms after SIGTERM\n' \
    "$label" "$cpu" "$rss" "$hwm" "$interval" $(((k1 - k0) / 1000000))
}

echo "ambervale, $seconds s a run, $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
start_screen 1920x1080
for fast in 33 0 45 50; do run "1920x1080 --fast $fast" --fast "$fast"; done
start_screen 3840x2160
for fast in 33 50; do run "3840x2160 --fast $fast" --fast "$fast"; done
