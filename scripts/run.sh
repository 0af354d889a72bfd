#!/usr/bin/env bash
# Builds Ambervale.scr and runs it under Wine.
#   scripts/run.sh [ARGS...]     arguments for the saver, /s when none are given
# With a reachable display ($DISPLAY), the saver shows in a Wine virtual desktop window of
# 1024 x 768 there; close it with Esc. Without one, it runs on a private Xvfb display for
# AMBERVALE_RUN_SECONDS (default 20) and screenshots are written every
# AMBERVALE_SHOT_EVERY seconds (default 4) into a folder that is named at the end.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
[ $# -gt 0 ] || set -- /s

. scripts/build-scr.sh

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  export WINEPREFIX=${AMBERVALE_WINEPREFIX:-$HOME/.local/share/ambervale/wine}
  export WINEDEBUG=${WINEDEBUG:--all}
  mkdir -p "$WINEPREFIX"
  echo "run: Ambervale.scr $* in a Wine desktop window on $DISPLAY (Esc ends it)"
  exec wine explorer /desktop=Ambervale,1024x768 "$scr" "$@"
fi

# No display: a private Xvfb and Wine prefix, screenshots of the whole screen.
seconds=${AMBERVALE_RUN_SECONDS:-20}
every=${AMBERVALE_SHOT_EVERY:-4}
shots=${AMBERVALE_SHOTS:-$(mktemp -d "${TMPDIR:-/tmp}/ambervale-run.XXXXXX")}
mkdir -p "$shots"
envdir=$(mktemp -d "${TMPDIR:-/tmp}/ambervale-wine.XXXXXX")
cleanup() { bash scripts/wine-env.sh stop "$envdir" >/dev/null 2>&1 || true; rm -rf "$envdir"; }
trap cleanup EXIT
bash scripts/wine-env.sh start "$envdir"
# shellcheck disable=SC1091
. "$envdir/env"
"$WINE" explorer /desktop=Ambervale,1024x768 "$scr" "$@" >"$envdir/run.log" 2>&1 &
n=0
for ((t = every; t <= seconds; t += every)); do
  sleep "$every"
  n=$((n + 1))
  import -display "$DISPLAY" -window root "$shots/shot-$(printf '%02d' $n).png"
done
echo "run: $n screenshots in $shots"
