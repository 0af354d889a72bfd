#!/usr/bin/env bash
# Start-up time and memory of build/native/ambervale-settings on a private Xvfb screen: the
# time from the start to its window being mapped (polled every 10 ms), and its resident memory
# 5 seconds later, with the preview running. Usage: scripts/measure-settings.sh [RUNS, default 10]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-10}
program="$root/build/native/ambervale-settings"
source "$root/src/linux/e2e/lib.sh"
start_xvfb 1024x768
export NO_AT_BRIDGE=1 XDG_CONFIG_HOME="$e2e_dir/config"
for _ in $(seq "$runs"); do
  start=$(date +%s%N)
  "$program" &
  pid=$!
  until xdotool search --onlyvisible --name '^Ambervale Screensaver Settings$' >/dev/null 2>&1; do sleep 0.01; done
  shown=$(( ($(date +%s%N) - start) / 1000000 ))
  sleep 5
  rss=$(awk '/VmRSS/ {print $2}' /proc/$pid/status)
  hwm=$(awk '/VmHWM/ {print $2}' /proc/$pid/status)
  cpu=$(awk '{print $14 + $15}' /proc/$pid/stat)
  kill $pid; wait $pid 2>/dev/null || true
  echo "window after $shown ms, resident $((rss / 1024)) MiB (peak $((hwm / 1024)) MiB), CPU ticks in 5 s: $cpu"
done
