#!/usr/bin/env bash
# Measures both drawing paths under Wine on private Xvfb screens (not a test: it prints
# figures and judges nothing).
#   scripts/measure-drawing.sh [SECONDS]    seconds of CPU sampling per run (default 30)
# For each screen (AMBERVALE_MEASURE_SCREENS, default "1024x768 3840x2160"), each path
# (screen, composited) and each pace (Fast 33, the default, and Fast 50, the fastest) it runs
# the full-screen saver and reads utime + stime from /proc/PID/stat of the saver, the
# wineserver and the Xvfb over SECONDS, after a few seconds to settle; the share is of one
# core. Then ambervale_winbench.exe times one tick's drawing on that screen.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${1:-30}
settle=${AMBERVALE_MEASURE_SETTLE:-6}
build=${AMBERVALE_BUILD:-build/windows}
bench=$PWD/$build/src/win32/ambervale_winbench.exe
. scripts/build-scr.sh
cmake --build "$build" --target ambervale_winbench -j "${AMBERVALE_JOBS:-2}" >/dev/null
hz=$(getconf CLK_TCK)

envdir=$(mktemp -d "${TMPDIR:-/tmp}/ambervale-measure.XXXXXX")
cleanup() { bash scripts/wine-env.sh stop "$envdir" >/dev/null 2>&1 || true; rm -rf "$envdir"; }
trap cleanup EXIT

winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }
ticks() { [ -r "/proc/$1/stat" ] && awk '{print $14 + $15}' "/proc/$1/stat" || echo 0; }
# Processes of this prefix only: other Wine prefixes may run the saver at the same time.
of_prefix() {
  local pid
  for pid in $(pgrep -f "$1" || true); do
    if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX"; then echo "$pid"; fi
  done
}
setting() { "$WINE" reg add 'HKCU\Software\Ambervale' /v "$1" /t REG_DWORD /d "$2" /f >/dev/null 2>&1; }

for screen in ${AMBERVALE_MEASURE_SCREENS:-1024x768 3840x2160}; do
  AMBERVALE_XVFB_SCREEN=${screen}x24 bash scripts/wine-env.sh start "$envdir" >/dev/null
  # shellcheck disable=SC1091
  . "$envdir/env"
  # The first-run defaults, with the key and mouse exits off.
  for pair in Size=12 Algorithm=10 Transparent=8 Color_s=3 Key_Exit=0 Rands_Algorithm=1; do setting "${pair%=*}" "${pair#*=}"; done
  for path in screen composited; do
    for fast in 33 50; do
      setting Fast "$fast"
      AMBERVALE_DRAWING=$path "$WINE" explorer /desktop=Measure,"$screen" "$scr" /s >/dev/null 2>&1 &
      sleep "$settle"
      saver=$(of_prefix '^[^ ]*Ambervale\.scr( |$)' | head -n1)
      server=$(of_prefix '^[^ ]*wineserver(64)? ' | head -n1)
      if [ -z "$saver" ]; then
        echo "$screen $path Fast $fast: the saver did not start"
      else
        s0=$(ticks "$saver") w0=$(ticks "$server") x0=$(ticks "$XVFB_PID")
        sleep "$seconds"
        s1=$(ticks "$saver") w1=$(ticks "$server") x1=$(ticks "$XVFB_PID")
        awk -v s=$((s1 - s0)) -v w=$((w1 - w0)) -v x=$((x1 - x0)) -v hz="$hz" -v t="$seconds" \
          -v label="$screen $path Fast $fast" 'BEGIN {
            f = 100 / (hz * t)
            printf "%-32s saver %5.2f %%  wineserver %5.2f %%  Xvfb %5.2f %%  all %5.2f %% of a core\n",
                   label, s * f, w * f, x * f, (s + w + x) * f }'
      fi
      timeout 20 wineserver -k >/dev/null 2>&1 || true
      wait 2>/dev/null || true
    done
  done
  out=$envdir/bench.txt
  rm -f "$out"
  "$WINE" explorer /desktop=Bench,"$screen" "$bench" "$(winpath "$out")" >/dev/null 2>&1 || true
  cat "$out" 2>/dev/null || echo "$screen: the benchmark wrote nothing"
  bash scripts/wine-env.sh stop "$envdir" >/dev/null
done
