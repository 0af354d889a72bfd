#!/usr/bin/env bash
# Measures resident memory on private Xvfb screens (not a test: it prints figures and judges
# nothing) of
#   preview      Ambervale.scr /p HWND under Wine, HWND a 152 x 112 host window
#   composited   AMBERVALE_DRAWING=composited Ambervale.scr /s under Wine
#   linux        the Linux hack, ambervale --root
# Wine runs without a virtual desktop, so the saver's screen is the whole Xvfb screen. Every
# 0.2 s over SECONDS after the start it reads VmRSS and VmHWM from /proc/PID/status of the
# Linux process that runs the program; the table shows the last VmRSS and the highest VmHWM.
#   scripts/measure-memory.sh [SCR [HACK]]   (default build/windows/Ambervale.scr and
#                                             build/native/ambervale)
#   AMBERVALE_MEMORY_SECONDS   seconds a run is sampled (default 8)
#   AMBERVALE_MEMORY_SCREENS   the screens (default "1920x1080 3840x2160 7680x4320")
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
abs() { case "$1" in /*) echo "$1" ;; *) echo "$PWD/$1" ;; esac; }
scr=$(abs "${1:-$root/build/windows/Ambervale.scr}")
hack=$(abs "${2:-$root/build/native/ambervale}")
seconds=${AMBERVALE_MEMORY_SECONDS:-8}
[ -f "$scr" ] || { echo "no saver at $scr (build the Ambervale target)" >&2; exit 1; }
[ -x "$hack" ] || { echo "no Linux hack at $hack (build the ambervale target)" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/ambervale-memory.XXXXXX")
envdir=$work/env
cleanup() {
  bash "$root/scripts/wine-env.sh" stop "$envdir" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
mkdir -p "$work/home"
printf 'grabDesktopImages: True\n' >"$work/home/.xscreensaver"

# The preview's host: a 152 x 112 window that starts the saver with /p and its handle, pumps
# messages for as long as it is asked to, then ends the saver.
cat >"$work/preview-host.c" <<'C'
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
int main(int argc, char** argv) {
  if (argc < 3) return 2;
  WNDCLASSA window_class = {0};
  window_class.lpfnWndProc = DefWindowProcA;
  window_class.hInstance = GetModuleHandleA(NULL);
  window_class.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
  window_class.lpszClassName = "AmbervaleMemoryPreviewHost";
  RegisterClassA(&window_class);
  HWND host = CreateWindowExA(0, window_class.lpszClassName, "Preview", WS_POPUP | WS_VISIBLE, 60, 60, 152, 112,
                              NULL, NULL, window_class.hInstance, NULL);
  if (!host) return 3;
  char command[2048];
  snprintf(command, sizeof command, "\"%s\" /p %lld", argv[1], (long long)(INT_PTR)host);
  STARTUPINFOA startup = {sizeof startup};
  PROCESS_INFORMATION saver;
  if (!CreateProcessA(NULL, command, NULL, NULL, FALSE, 0, NULL, NULL, &startup, &saver)) return 4;
  const DWORD end = GetTickCount() + 1000 * (DWORD)atoi(argv[2]);
  int ended = 0;
  while (!ended && (LONG)(end - GetTickCount()) > 0) {
    ended = MsgWaitForMultipleObjects(1, &saver.hProcess, FALSE, end - GetTickCount(), QS_ALLINPUT) == WAIT_OBJECT_0;
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }
  if (ended) {
    DWORD code = 0;
    GetExitCodeProcess(saver.hProcess, &code);
    printf("the preview ended by itself (exit code %lu)\n", code);
    return 1;
  }
  TerminateProcess(saver.hProcess, 0);
  return 0;
}
C
x86_64-w64-mingw32-gcc -O2 -o "$work/preview-host.exe" "$work/preview-host.c" -lgdi32

winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }
# The saver's process of this prefix (other prefixes may run a saver at the same time).
saver_pid() {
  local name pid
  name=$(basename "$scr" | sed 's/[.]/[.]/g')
  for pid in $(pgrep -f "${name}\"? /" || true); do
    case "$(tr '\0' ' ' 2>/dev/null <"/proc/$pid/cmdline")" in wine* | *preview-host*) continue ;; esac
    if tr '\0' '\n' 2>/dev/null <"/proc/$pid/environ" | grep -qx "WINEPREFIX=$WINEPREFIX"; then
      echo "$pid"
      return
    fi
  done
}
field() { awk -v f="$1:" '$1 == f {print $2}' 2>/dev/null <"/proc/$2/status"; }
mb() { awk -v k="$1" 'BEGIN {printf "%.1f", k / 1024}'; }

# sample SCREEN LABEL COMMAND...: COMMAND prints the pid to sample (or nothing yet); samples
# from now until SECONDS have passed and prints a row of the table.
sample() {
  local screen=$1 label=$2; shift 2
  local pid="" rss="" hwm=0 v now end
  end=$(($(date +%s%N) + seconds * 1000000000))
  while now=$(date +%s%N) && [ "$now" -lt "$end" ]; do
    [ -n "$pid" ] || pid=$("$@")
    if [ -n "$pid" ]; then
      v=$(field VmRSS "$pid") && [ -n "$v" ] && rss=$v
      v=$(field VmHWM "$pid") && [ -n "$v" ] && [ "$v" -gt "$hwm" ] && hwm=$v
    fi
    sleep 0.2
  done
  if [ -z "$pid" ]; then
    printf '%-10s %-11s %10s\n' "$screen" "$label" "did not start"
  elif [ -z "$rss" ]; then
    printf '%-10s %-11s %10s\n' "$screen" "$label" "no figures"
  else
    [ -e "/proc/$pid/status" ] || label="$label (ended)"
    printf '%-10s %-11s %10s %10s\n' "$screen" "$label" "$(mb "$rss")" "$(mb "$hwm")"
  fi
}

echo "resident memory over $seconds s a run, $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "saver $scr"
echo "hack  $hack"
printf '%-10s %-11s %10s %10s\n' screen run "RSS MB" "peak MB"
for screen in ${AMBERVALE_MEMORY_SCREENS:-1920x1080 3840x2160 7680x4320}; do
  AMBERVALE_XVFB_SCREEN=${screen}x24 bash "$root/scripts/wine-env.sh" start "$envdir" >/dev/null
  # shellcheck disable=SC1091
  . "$envdir/env"
  xsetroot -mod 16 16 -fg '#336699' -bg '#cc9933'

  "$WINE" "$work/preview-host.exe" "$(winpath "$scr")" $((seconds + 5)) >"$work/preview.log" 2>&1 &
  sample "$screen" preview saver_pid
  timeout 20 wineserver -k >/dev/null 2>&1 || true
  wait || true
  grep -h 'ended by itself' "$work/preview.log" || true

  AMBERVALE_DRAWING=composited "$WINE" "$scr" /s >/dev/null 2>&1 &
  sample "$screen" composited saver_pid
  timeout 20 wineserver -k >/dev/null 2>&1 || true
  wait || true

  HOME="$work/home" "$hack" --root 2>/dev/null &
  hack_pid=$!
  sample "$screen" linux echo "$hack_pid"
  kill -TERM "$hack_pid" 2>/dev/null || true
  wait "$hack_pid" 2>/dev/null || true

  bash "$root/scripts/wine-env.sh" stop "$envdir" >/dev/null
done
