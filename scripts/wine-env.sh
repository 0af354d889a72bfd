#!/usr/bin/env bash
# The Wine test environment: one Xvfb display and one fresh Wine prefix per test run.
#   wine-env.sh start DIR        start Xvfb, boot a prefix in DIR/prefix, write DIR/env
#   wine-env.sh exec DIR EXE...  run EXE under Wine in that environment (bounded)
#   wine-env.sh stop DIR         stop Wine and Xvfb, remove the prefix
# Every wait is bounded. Xvfb picks its own free display (-displayfd), so test runs in
# different directories never share or steal a display. A failed start, a timed-out
# program and stop all kill what the environment started, and nothing else.
#   AMBERVALE_WINE_TIMEOUT   seconds a program may run under exec (default 300)
#   AMBERVALE_XVFB_SCREEN    the Xvfb screen made by start (default 1024x768x24)
#   AMBERVALE_WINE_ENV_DIR   the environment to use instead of DIR: two test runs of one build
#                            tree side by side, each in an environment of its own
#                            (scripts/test.sh); the test scripts given DIR honour it too
set -uo pipefail

die() { echo "wine-env: $*" >&2; exit 1; }
cmd=${1:-}; dir=${2:-}
[ -n "$cmd" ] && [ -n "$dir" ] || die "usage: wine-env.sh start|exec|stop DIR [EXE ARGS...]"
dir=${AMBERVALE_WINE_ENV_DIR:-$dir}
case "$dir" in /*) ;; *) dir="$PWD/$dir" ;; esac

# Waits up to $1 tenths of a second for the command in the remaining arguments to succeed.
wait_for() {
  local tenths=$1; shift
  for _ in $(seq "$tenths"); do "$@" && return 0; sleep 0.1; done
  "$@"
}

alive() { [ -n "${1:-}" ] && kill -0 "$1" 2>/dev/null; }

stop_xvfb() {
  local pid
  pid=$(cat "$dir/xvfb.pid" 2>/dev/null || sed -n 's/^export XVFB_PID=//p' "$dir/env" 2>/dev/null)
  [ -n "$pid" ] || return 0
  if alive "$pid" && grep -q Xvfb "/proc/$pid/cmdline" 2>/dev/null; then
    kill "$pid" 2>/dev/null
    wait_for 50 bash -c "! kill -0 $pid 2>/dev/null" || kill -9 "$pid" 2>/dev/null
  fi
  rm -f "$dir/xvfb.pid" "$dir/display"
}

stop_wine() {
  [ -d "$dir/prefix" ] || return 0
  WINEPREFIX="$dir/prefix" timeout 20 wineserver -k >/dev/null 2>&1
  WINEPREFIX="$dir/prefix" timeout 20 wineserver -w >/dev/null 2>&1
}

stop_env() {
  stop_wine
  stop_xvfb
  rm -rf "$dir/prefix" "$dir/env"
}

start_env() {
  command -v Xvfb >/dev/null || die "Xvfb is not installed (run scripts/bootstrap.sh)"
  local wine
  wine=$(command -v wine64 || command -v wine || true)
  [ -n "$wine" ] || die "Wine is not installed (run scripts/bootstrap.sh)"
  command -v wineserver >/dev/null || die "wineserver is not on PATH (run scripts/bootstrap.sh)"
  stop_env
  mkdir -p "$dir" || die "cannot create $dir"
  # Anything half-started is taken down again if start does not finish.
  trap 'stop_env' EXIT
  trap 'exit 130' INT TERM

  : >"$dir/display"
  Xvfb -displayfd 3 -screen 0 "${AMBERVALE_XVFB_SCREEN:-1024x768x24}" -nolisten tcp -ac 3>"$dir/display" >"$dir/xvfb.log" 2>&1 &
  local xvfb_pid=$!
  echo "$xvfb_pid" >"$dir/xvfb.pid"
  if ! wait_for 150 grep -q '^[0-9]' "$dir/display"; then
    alive "$xvfb_pid" || die "Xvfb could not start: $(tail -n3 "$dir/xvfb.log")"
    die "Xvfb did not report a display within 15 s: $(tail -n3 "$dir/xvfb.log")"
  fi
  local display=":$(head -n1 "$dir/display")"
  if command -v xdpyinfo >/dev/null && ! wait_for 100 env DISPLAY="$display" xdpyinfo >/dev/null 2>&1; then
    die "Xvfb on $display does not answer within 10 s"
  fi

  cat >"$dir/env" <<ENV
export DISPLAY=$display
export WINEPREFIX=$dir/prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export XVFB_PID=$xvfb_pid
export WINE=$wine
ENV
  # shellcheck disable=SC1091
  . "$dir/env"
  timeout -k 10 200 "$WINE" wineboot -i >"$dir/wineboot.log" 2>&1
  local rc=$?
  [ $rc -eq 124 ] || [ $rc -eq 137 ] && die "Wine did not boot a prefix within 200 s: $(tail -n3 "$dir/wineboot.log")"
  [ $rc -eq 0 ] || die "Wine could not boot a prefix (exit status $rc): $(tail -n3 "$dir/wineboot.log")"
  # A program that crashes ends, its backtrace on stderr: Wine's crash dialog would hold it in
  # the debugger, alive and drawing nothing, until the test's bound runs out.
  timeout 60 "$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
    >>"$dir/wineboot.log" 2>&1 || die "Wine could not write the crash dialog setting"
  timeout 60 wineserver -w || die "Wine did not settle within 60 s after booting the prefix"
  trap - EXIT INT TERM
  echo "wine-env: ready on $display, prefix $WINEPREFIX"
}

exec_in_env() {
  [ -f "$dir/env" ] || die "no environment in $dir (the wine_env_start test did not run or failed)"
  # shellcheck disable=SC1091
  . "$dir/env"
  alive "$XVFB_PID" || die "the Xvfb of $dir ($DISPLAY) is gone; restart the environment"
  case "$1" in */*) [ -e "$1" ] || die "no such program: $1" ;; esac
  # A program that outlives its time, or a run that is interrupted, leaves no Wine
  # process of this prefix behind.
  trap 'stop_wine; exit 130' INT TERM
  timeout -k 10 "${AMBERVALE_WINE_TIMEOUT:-300}" "$WINE" "$@"
  local rc=$?
  if [ $rc -eq 124 ] || [ $rc -eq 137 ]; then
    echo "wine-env: $1 did not finish within ${AMBERVALE_WINE_TIMEOUT:-300} s; its Wine processes were ended" >&2
    stop_wine
  fi
  return $rc
}

case "$cmd" in
start) start_env ;;
exec)
  shift 2
  [ $# -gt 0 ] || die "exec needs a program"
  exec_in_env "$@"
  exit $?
  ;;
stop) stop_env ;;
*) die "unknown command $cmd" ;;
esac
