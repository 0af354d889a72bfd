#!/usr/bin/env bash
# Runs one end-to-end case on a desktop of two monitors: an Xorg server of its own with the
# dummy video driver, a second output placed left of the primary with xrandr, and a fresh
# Wine prefix booted after that (a prefix keeps the monitors it saw at its first boot), with
# no virtual desktop (a Wine virtual desktop is always one monitor).
#   run_two_monitors.sh DRIVER_EXE SCR_PATH CASE [LAYOUT]
# LAYOUT "resize" keeps one monitor instead and, when the case asks for it (a file
# resize.request beside its results), changes its resolution to 1280 x 1024 during the run.
# LAYOUT "unplug" starts with the two monitors and, when the case asks (unplug.request), turns
# the second one off, as a laptop leaving its dock does.
# AMBERVALE_E2E_DRAWING passes the drawing path on to the driver.
# Exits 77 (skipped) when Xorg or its dummy driver is missing or the server cannot start;
# everything it started is ended, and nothing else.
set -uo pipefail
driver=$1 scr=$2 case_name=$3 layout=${4:-two}
skip() { echo "run_two_monitors: skipped: $*"; exit 77; }

command -v Xorg >/dev/null || skip "Xorg is not installed (xserver-xorg-core)"
ls /usr/lib/xorg/modules/drivers/dummy_drv.so >/dev/null 2>&1 || skip "the dummy video driver is not installed (xserver-xorg-video-dummy)"
[ "$(id -u)" -eq 0 ] || skip "Xorg needs root here"
wine=$(command -v wine64 || command -v wine) || { echo "run_two_monitors: Wine is not installed" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/ambervale-monitors.XXXXXX")
xorg_pid=
cleanup() {
  [ -d "$work/prefix" ] && WINEPREFIX="$work/prefix" timeout 20 wineserver -k >/dev/null 2>&1
  if [ -n "$xorg_pid" ] && kill -0 "$xorg_pid" 2>/dev/null; then
    kill "$xorg_pid"
    for _ in $(seq 50); do kill -0 "$xorg_pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$xorg_pid" 2>/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

cp "$(dirname "$0")/dummy_xorg.conf" "$work/xorg.conf"

wait_for() {  # TENTHS COMMAND...: bounded wait until the command succeeds
  local tenths=$1; shift
  for _ in $(seq "$tenths"); do "$@" && return 0; sleep 0.1; done
  "$@"
}

: >"$work/display"
Xorg -displayfd 3 -config "$work/xorg.conf" -logfile "$work/xorg.log" -novtswitch -sharevts -noreset \
  -nolisten tcp 3>"$work/display" >"$work/xorg.out" 2>&1 &
xorg_pid=$!
# Without a system bus the server may take some 10 s to come up; one that died is not waited for.
display_or_gone() { grep -q '^[0-9]' "$work/display" || ! kill -0 "$xorg_pid" 2>/dev/null; }
wait_for 600 display_or_gone
if ! grep -q '^[0-9]' "$work/display"; then
  tail -n 5 "$work/xorg.log" "$work/xorg.out" 2>/dev/null
  skip "Xorg could not start"
fi
export DISPLAY=":$(head -n1 "$work/display")"
wait_for 100 xdpyinfo >/dev/null 2>&1 || skip "Xorg on $DISPLAY does not answer"

if [ "$layout" = resize ]; then
  xrandr --addmode DUMMY0 1280x1024 && xrandr --output DUMMY0 --mode 1024x768 --fb 1024x768 ||
    { echo "run_two_monitors: xrandr could not offer 1280x1024" >&2; exit 1; }
  monitors_wanted=1
else
  xrandr --addmode DUMMY1 1024x768 && xrandr --output DUMMY1 --mode 1024x768 --left-of DUMMY0 ||
    { echo "run_two_monitors: xrandr could not add the second monitor" >&2; exit 1; }
  monitors_wanted=2
fi
monitors=$(xrandr --listmonitors | sed -n 's/^Monitors: //p')
[ "$monitors" = "$monitors_wanted" ] || { echo "run_two_monitors: X has $monitors monitors, not $monitors_wanted" >&2; exit 1; }

export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
timeout -k 10 200 "$wine" wineboot -i >"$work/wineboot.log" 2>&1 ||
  { echo "run_two_monitors: Wine could not boot a prefix: $(tail -n 3 "$work/wineboot.log")" >&2; exit 1; }
timeout 60 wineserver -w

winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }
results=$work/results.txt
timeout -k 10 "${AMBERVALE_E2E_TIMEOUT:-120}" "$wine" "$driver" "$case_name" "$(winpath "$scr")" "$(winpath "$results")" \
  >"$work/wine.log" 2>&1 &
driver_pid=$!
# The resolution changes, or the second monitor goes, once, when the case asks.
while kill -0 "$driver_pid" 2>/dev/null; do
  if [ -e "$work/resize.request" ] && [ ! -e "$work/resized" ]; then
    xrandr --output DUMMY0 --mode 1280x1024 >"$work/resized" 2>&1 || echo "run_two_monitors: xrandr could not resize" >&2
  fi
  if [ -e "$work/unplug.request" ] && [ ! -e "$work/unplugged" ]; then
    xrandr --output DUMMY1 --off >"$work/unplugged" 2>&1 || echo "run_two_monitors: xrandr could not turn DUMMY1 off" >&2
  fi
  sleep 0.2
done
wait "$driver_pid"
if ! grep -q '^DONE' "$results" 2>/dev/null; then
  echo "run_two_monitors: $case_name did not finish within the bound"
  tail -n 20 "$work/wine.log"
  exit 1
fi
cat "$results"
tr -d '\r' <"$results" | grep -q "^PASS $case_name\$"
