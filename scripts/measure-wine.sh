#!/usr/bin/env bash
# The Windows saver's rows of the hosts table (scripts/measure-hosts.sh): the composited window
# under Wine, straight on an Xvfb screen of each size, at each Fast. For each: ticks a second
# against the promised 1000 / (102 - 2 x Fast) and presents a second (from the trace build's
# stderr, over the reports after the first), the CPU share of one core of the program (the
# saver and the Wine server every wake goes through) and of the X server, and the saver's
# resident memory. A plain grid, Random off, Key_Exit off.
# Usage: scripts/measure-wine.sh [SECONDS per run, default 10]
#   SIZES, FASTS    what to measure ("1920x1080 3840x2160", "0 33 45 50")
#   AMBERVALE_SCR   an already built trace build of Ambervale.scr (-DAMBERVALE_PACE_TRACE=ON);
#                   else build/pace-trace is built
#   ROWS_ONLY=1     the rows alone, for a table that has its header already
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${1:-10}
if [ -z "${AMBERVALE_SCR:-}" ]; then
  export AMBERVALE_BUILD=build/pace-trace
  if [ ! -f "$AMBERVALE_BUILD/build.ninja" ]; then
    cmake -S . -B "$AMBERVALE_BUILD" -G Ninja -Wno-dev -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DAMBERVALE_PACE_TRACE=ON \
      ${AMBERVALE_DEPS:+-DAMBERVALE_DEPS=$AMBERVALE_DEPS} >/dev/null
  fi
fi
. scripts/build-scr.sh >&2
. scripts/pace-trace.sh

envdir=$(mktemp -d "${TMPDIR:-/tmp}/ambervale-wine-measure.XXXXXX")
cleanup() { bash scripts/wine-env.sh stop "$envdir" >/dev/null 2>&1 || true; rm -rf "$envdir"; }
trap cleanup EXIT

# The CPU time of every thread of a process, in ns (the scheduler's own count: /proc's stat
# counts in 10 ms steps, as much as a quiet program uses in a few seconds).
cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{s += $1} END {printf "%.0f", s}'; }
# The newest process matching the pgrep arguments that belongs to this run's Wine prefix (other
# runs of Wine may share the machine).
ours() {
  local pid
  for pid in $(pgrep "$@" | sort -rn); do
    { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && { echo "$pid"; return; }
  done
  return 1
}
percent() { awk -v c="$1" -v ns="$2" 'BEGIN {printf "%.2f", 100 * c / ns}'; }
set_dword() { "$WINE" reg add 'HKCU\Software\Ambervale' /v "$1" /t REG_DWORD /d "$2" /f >/dev/null 2>&1; }
# Waits up to $1 seconds for the command in the remaining arguments to succeed.
wait_for() {
  local until=$((SECONDS + $1)); shift
  until "$@"; do [ $SECONDS -lt $until ] || return 1; sleep 0.2; done
}

if [ "${ROWS_ONLY:-0}" != 1 ]; then
  echo "| host | size | Fast | ticks/s | promised | presents/s | program % | server % | together % | memory MiB |"
  echo "|---|---|---|---|---|---|---|---|---|---|"
fi
for size in ${SIZES:-1920x1080 3840x2160}; do
  AMBERVALE_XVFB_SCREEN=${size}x24 bash scripts/wine-env.sh start "$envdir" >/dev/null
  # shellcheck disable=SC1091
  . "$envdir/env"
  for fast in ${FASTS:-0 33 45 50}; do
    for setting in Size=12 Algorithm=1 Transparent=8 "Fast=$fast" Color_s=3 Key_Exit=0 Rands_Algorithm=0; do
      set_dword "${setting%%=*}" "${setting#*=}"
    done
    log=$envdir/pace-$fast.log
    AMBERVALE_DRAWING=composited "$WINE" "$scr" /s 2>"$log" >/dev/null &
    wine_pid=$!
    wait_for 60 grep -aqs '^pace ' "$log" || { echo "| windows composited (Wine) | $size | $fast | no reports |"; continue; }
    saver=$(ours -f 'Ambervale\.scr /s') && server=$(ours -f '^[^ ]*wineserver') || {
      echo "| windows composited (Wine) | $size | $fast | the saver ended: $(tail -n 2 "$log" | tr '\n' ' ') |"
      timeout 20 wineserver -k >/dev/null 2>&1 || true
      continue
    }
    sleep 1
    t0=$(date +%s%N); p0=$(($(cpu_ns "$saver") + $(cpu_ns "$server"))); x0=$(cpu_ns "$XVFB_PID")
    sleep "$seconds"
    t1=$(date +%s%N); p1=$(($(cpu_ns "$saver") + $(cpu_ns "$server"))); x1=$(cpu_ns "$XVFB_PID")
    rss=$(awk '/VmRSS/ {printf "%.0f", $2 / 1024}' "/proc/$saver/status")
    timeout 20 wineserver -k >/dev/null 2>&1 || true
    wait "$wine_pid" 2>/dev/null || true
    read -r _ _ ticks presents < <(pace_rates "$log")
    cpu_program=$(percent $((p1 - p0)) $((t1 - t0)))
    cpu_server=$(percent $((x1 - x0)) $((t1 - t0)))
    printf '| %s | %s | %s | %s | %s | %s | %s | %s | %s | %s |\n' "windows composited (Wine)" "$size" "$fast" \
      "${ticks:--}" "$(awk -v f="$fast" 'BEGIN {printf "%.1f", 1000 / (102 - 2 * f)}')" "${presents:--}" "$cpu_program" \
      "$cpu_server" "$(awk -v a="$cpu_program" -v b="$cpu_server" 'BEGIN {printf "%.2f", a + b}')" "$rss"
  done
  bash scripts/wine-env.sh stop "$envdir" >/dev/null
done
