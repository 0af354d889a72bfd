#!/usr/bin/env bash
# Runs one end-to-end case: the driver inside a Wine virtual desktop of the test environment
# made by scripts/wine-env.sh, then every Wine process of that prefix is ended.
#   run_case.sh ENV_DIR DRIVER_EXE SCR_PATH CASE [DESKTOP_SIZE]   (default 1024x768)
# AMBERVALE_WINE_ENV_DIR, when set, names the environment instead of ENV_DIR (scripts/wine-env.sh).
set -uo pipefail
envdir=${AMBERVALE_WINE_ENV_DIR:-$1} driver=$2 scr=$3 case_name=$4 desktop_size=${5:-1024x768}
[ -f "$envdir/env" ] || { echo "run_case: no Wine environment in $envdir" >&2; exit 1; }
# shellcheck disable=SC1091
. "$envdir/env"

work=$(mktemp -d "${TMPDIR:-/tmp}/ambervale-e2e.XXXXXX")
# Only the script itself cleans up: a desktop killed before Wine took over would run it too.
trap '[ "$BASHPID" = "$$" ] && rm -rf "$work"' EXIT
results=$work/results.txt
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }

# A fresh desktop per case; a helper started outside it would not see its windows.
start_desktop() {
  "$WINE" explorer "/desktop=AmbervaleE2E,$desktop_size" "$driver" "$case_name" "$(winpath "$scr")" \
    "$(winpath "$results")" >"$work/wine.log" 2>&1 &
  wine_pid=$!
}
# Leave nothing behind, also after a hang: the desktop, the driver and the saver go.
end_desktop() {
  timeout 20 wineserver -k >/dev/null 2>&1
  kill "$wine_pid" 2>/dev/null
  wait "$wine_pid" 2>/dev/null
}
# Waits until the command succeeds or the bound passes.
wait_until() {  # wait_until SECONDS COMMAND...
  local until=$((SECONDS + $1))
  shift
  while [ $SECONDS -lt $until ] && ! "$@"; do sleep 0.2; done
  "$@"
}
finished() { grep -q '^DONE' "$results" 2>/dev/null; }

# The driver creates the results file first thing. On a busy machine Wine has been seen to
# bring no desktop up at all; that says nothing of the saver, so such a start is tried once more.
start_desktop
if ! wait_until "${AMBERVALE_E2E_START_TIMEOUT:-90}" test -e "$results"; then
  echo "run_case: Wine did not start the driver; trying once more"
  end_desktop
  start_desktop
fi
# Generous: on a busy machine Wine alone may take a minute to bring a desktop up.
wait_until "${AMBERVALE_E2E_TIMEOUT:-240}" finished
end_desktop

if ! finished; then
  echo "run_case: $case_name did not finish within the bound"
  tail -n 20 "$work/wine.log"
  exit 1
fi
cat "$results"
tr -d '\r' <"$results" | grep -q "^PASS $case_name\$"
