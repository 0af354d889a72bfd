#!/usr/bin/env bash
# Measures the resident idle watcher (`ambervale-wayland --idle`) while it waits: its CPU time
# and wake-ups over SECONDS, and its resident memory, on a headless sway (KDE's idle protocol)
# and a headless mutter (GNOME's IdleMonitor on the session bus); and beside it the saver while
# the compositor sends no frame (a blanked output: headless sway cannot blank one, so sway is
# stopped meanwhile). Run as root.
# Usage: scripts/measure-idle-watcher.sh [SECONDS, default 60]   (needs build/native)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
program="$root/build/native/ambervale-wayland"
client="$root/build/native/src/wayland/wayland_e2e_client"
for f in "$program" "$client"; do
  [ -x "$f" ] || { echo "build first: cmake --build build/native ($f is missing)" >&2; exit 1; }
done
source "$root/src/wayland/e2e/lib.sh"

# CPU ticks (user + system), voluntary context switches (wake-ups) and resident memory.
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
wakeups() { awk '/^voluntary_ctxt_switches/ {print $2}' "/proc/$1/status"; }

# measure LABEL [PAUSED]: the watcher, or with PAUSED the saver paused while sway sends nothing.
measure() {
  local label=$1 paused=${2:-} pid sway_pids=""
  if [ -n "$paused" ]; then
    (as_user "$program" --fps 2>>"$e2e_dir/watcher.log") &
  else
    (as_user "$program" --idle 3600 2>>"$e2e_dir/watcher.log") &
  fi
  pid=$!
  e2e_pids+=($pid)
  if [ -n "$paused" ]; then
    wait_for 60 "the saver's first frame" grep -q 'first frame after' "$e2e_dir/watcher.log"
    sway_pids=$(pgrep -u "$sway_user" -x sway)
    # shellcheck disable=SC2086
    kill -STOP $sway_pids
    wait_for 60 "the saver paused" grep -q 'paused after' "$e2e_dir/watcher.log"
  else
    wait_for 60 "the watcher watching" grep -q 'the saver after 3600 s idle' "$e2e_dir/watcher.log"
  fi
  local c0 w0
  c0=$(cpu_ticks "$pid"); w0=$(wakeups "$pid")
  sleep "$seconds"
  printf '%-34s CPU %d ticks of %d Hz in %d s, %d wake-ups, rss %d KiB, pss %d KiB\n' "$label" \
    $(($(cpu_ticks "$pid") - c0)) "$(getconf CLK_TCK)" "$seconds" $(($(wakeups "$pid") - w0)) \
    "$(awk '/VmRSS/ {print $2}' "/proc/$pid/status")" "$(awk '/^Pss:/ {print $2}' "/proc/$pid/smaps_rollup")"
  # shellcheck disable=SC2086
  [ -z "$sway_pids" ] || kill -CONT $sway_pids
  kill -TERM "$pid"
  wait "$pid" || true
  : >"$e2e_dir/watcher.log"
}

start_sway 1
measure "sway 1.7 (org_kde_kwin_idle)"
measure "sway 1.7, the saver with no frames" paused
for pid in $(pgrep -u "$sway_user" sway); do kill -TERM "$pid"; done
wait_for 60 "sway's end" eval "! pgrep -u $sway_user -x sway >/dev/null"
start_mutter
measure "mutter 43 (org.gnome.Mutter.IdleMonitor)"
