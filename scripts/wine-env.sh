#!/usr/bin/env bash
# The Wine test environment: one Xvfb display and one fresh Wine prefix per test run.
#   wine-env.sh start DIR        start Xvfb, boot a prefix in DIR/prefix, write DIR/env
#   wine-env.sh exec DIR EXE...  run EXE under Wine in that environment (bounded)
#   wine-env.sh stop DIR         stop Wine and Xvfb, remove the prefix
set -uo pipefail

die() { echo "wine-env: $*" >&2; exit 1; }
cmd=${1:-}; dir=${2:-}
[ -n "$cmd" ] && [ -n "$dir" ] || die "usage: wine-env.sh start|exec|stop DIR [EXE ARGS...]"

stop_env() {
  [ -f "$dir/env" ] || return 0
  # shellcheck disable=SC1091
  . "$dir/env"
  WINEPREFIX="$WINEPREFIX" timeout 20 wineserver -k >/dev/null 2>&1
  WINEPREFIX="$WINEPREFIX" timeout 20 wineserver -w >/dev/null 2>&1
  if [ -n "${XVFB_PID:-}" ] && kill -0 "$XVFB_PID" 2>/dev/null; then
    kill "$XVFB_PID" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$XVFB_PID" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$XVFB_PID" 2>/dev/null
  fi
  rm -rf "$dir/prefix" "$dir/env"
}

case "$cmd" in
start)
  command -v Xvfb >/dev/null || die "Xvfb is not installed (run scripts/bootstrap.sh)"
  wine=$(command -v wine64 || command -v wine || true)
  [ -n "$wine" ] || die "Wine is not installed (run scripts/bootstrap.sh)"
  stop_env
  mkdir -p "$dir"
  display=
  for n in $(seq 91 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || { display=":$n"; break; }
  done
  [ -n "$display" ] || die "no free X display number between :91 and :140"
  Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp -ac >"$dir/xvfb.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 100); do
    DISPLAY=$display xdpyinfo >/dev/null 2>&1 && break
    kill -0 $xvfb_pid 2>/dev/null || die "Xvfb could not start on $display: $(tail -n3 "$dir/xvfb.log")"
    sleep 0.1
  done
  DISPLAY=$display xdpyinfo >/dev/null 2>&1 || { kill $xvfb_pid; die "Xvfb did not answer on $display within 10 s"; }
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
  if ! timeout 180 "$WINE" wineboot -i >"$dir/wineboot.log" 2>&1; then
    stop_env
    die "Wine could not boot a prefix within 180 s: $(tail -n3 "$dir/wineboot.log")"
  fi
  timeout 60 wineserver -w
  echo "wine-env: ready on $display, prefix $WINEPREFIX"
  ;;
exec)
  shift 2
  [ -f "$dir/env" ] || die "no environment in $dir (the wine_env_start test did not run or failed)"
  # shellcheck disable=SC1091
  . "$dir/env"
  timeout -k 10 "${AMBERVALE_WINE_TIMEOUT:-300}" "$WINE" "$@"
  rc=$?
  [ $rc -eq 124 ] && echo "wine-env: $1 did not finish in time" >&2
  exit $rc
  ;;
stop)
  stop_env
  ;;
*) die "unknown command $cmd" ;;
esac
