#!/usr/bin/env bash
# Measures the tick pace of the real saver under Wine: for each Fast value, a full-screen run
# (plain grid, Random off) of a test build that reports its ticks and presents on stderr about
# once a second (-DAMBERVALE_PACE_TRACE=ON, build/pace-trace); the achieved mean interval
# between the first and the last report is set against the nominal 102 - 2 x Fast ms. The
# drawing path is Wine's own (the screen path) unless AMBERVALE_DRAWING says otherwise.
#   scripts/measure-pace.sh [FAST...]          default: 0 33 45 48 50
#   AMBERVALE_PACE_SECONDS   seconds each run lasts (default 12; the first report is skipped)
#   AMBERVALE_SCR            an already built trace build of Ambervale.scr
#   AMBERVALE_PACE_REALTIME  1: the saver, the Wine server and the X server run under the
#                            real-time FIFO policy (root only), standing in for the idle
#                            machine a screensaver runs on when other work keeps the cores busy
# Prints a Markdown table. A measurement, not a test: it depends on how busy the machine is.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
[ $# -gt 0 ] || set -- 0 33 45 48 50
seconds=${AMBERVALE_PACE_SECONDS:-12}
run=()
[ "${AMBERVALE_PACE_REALTIME:-0}" = 1 ] && run=(chrt -f 1)

if [ -z "${AMBERVALE_SCR:-}" ]; then
  export AMBERVALE_BUILD=build/pace-trace
  bash scripts/bootstrap.sh
  cmake -S . -B "$AMBERVALE_BUILD" -G Ninja -Wno-dev -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DAMBERVALE_PACE_TRACE=ON \
    ${AMBERVALE_DEPS:+-DAMBERVALE_DEPS=$AMBERVALE_DEPS} >/dev/null
fi
. scripts/build-scr.sh
. scripts/pace-trace.sh

envdir=$(mktemp -d "${TMPDIR:-/tmp}/ambervale-pace.XXXXXX")
cleanup() { bash scripts/wine-env.sh stop "$envdir" >/dev/null 2>&1 || true; rm -rf "$envdir"; }
trap cleanup EXIT
bash scripts/wine-env.sh start "$envdir" >/dev/null
# shellcheck disable=SC1091
. "$envdir/env"

[ ${#run[@]} -eq 0 ] || chrt -f -p 1 "$XVFB_PID"

set_dword() { "$WINE" reg add 'HKCU\Software\Ambervale' /v "$1" /t REG_DWORD /d "$2" /f >/dev/null 2>&1; }

echo "| Fast | nominal (ms) | achieved mean (ms) | deviation | ticks counted | presents/s |"
echo "|---:|---:|---:|---:|---:|---:|"
for fast in "$@"; do
  for setting in Size=12 Algorithm=1 Transparent=8 "Fast=$fast" Color_s=3 Key_Exit=0 Rands_Algorithm=0; do
    set_dword "${setting%%=*}" "${setting#*=}"
  done
  timeout 20 wineserver -k >/dev/null 2>&1 || true
  timeout 20 wineserver -w || true
  log=$envdir/pace-$fast.log
  # Straight on the X screen, without a virtual desktop, so the saver's stderr reaches us.
  # Every tick goes through the Wine server (the timer's wake-up) and the X server (the
  # drawing): both run under the saver's policy.
  "${run[@]}" wineserver -p10 || true
  timeout -k 5 "$seconds" "${run[@]}" "$WINE" "$scr" /s 2>"$log" >/dev/null || true
  timeout 20 wineserver -k >/dev/null 2>&1 || true
  nominal=$((102 - 2 * fast))
  [ $nominal -lt 2 ] && nominal=2
  read -r ticks mean _ presents < <(pace_rates "$log")
  if [ "$ticks" = - ]; then
    echo "| $fast | $nominal | no reports (is this a trace build?) | | | |"
  else
    awk -v f="$fast" -v n="$nominal" -v m="$mean" -v t="$ticks" -v p="$presents" \
      'BEGIN {printf "| %d | %d | %.2f | %+.1f %% | %d | %.1f |\n", f, n, m, (m - n) / n * 100, t, p}'
  fi
done
