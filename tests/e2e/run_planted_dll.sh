#!/usr/bin/env bash
# A gdiplus.dll that marks its loading sits beside a copy of the saver, and Wine looks for
# gdiplus.dll as Windows does for a DLL that is not a known DLL (the program's folder first):
# full screen, preview and settings still pass their end-to-end cases, and no marker appears.
# A control first loads the planted DLL by name from the same folder, so the marker's
# absence means something.
#   run_planted_dll.sh ENV_DIR DRIVER_EXE SCR_PATH PLANTED_DLL LOAD_BY_NAME_EXE
set -uo pipefail
envdir=$1 driver=$2 scr=$3 planted=$4 load_by_name=$5
here=$(cd "$(dirname "$0")" && pwd)
[ -f "$envdir/env" ] || { echo "run_planted_dll: no Wine environment in $envdir" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/ambervale-planted.XXXXXX")
trap 'rm -rf "$work"' EXIT
folder=$work/Downloads
mkdir -p "$folder" "$work/env"
cp "$scr" "$folder/Ambervale.scr"
cp "$planted" "$folder/gdiplus.dll"
cp "$load_by_name" "$folder/load_by_name.exe"
# The cases' environment, with gdiplus.dll searched for as a native DLL first.
{ cat "$envdir/env"; echo 'export WINEDLLOVERRIDES="mscoree,mshtml=;gdiplus=n,b"'; } >"$work/env/env"
# shellcheck disable=SC1091
. "$work/env/env"
marker=$folder/gdiplus.dll.ran

status=0
timeout -k 10 120 "$WINE" "$folder/load_by_name.exe" gdiplus.dll >/dev/null 2>&1
timeout 20 wineserver -w
if [ -e "$marker" ]; then
  rm -f "$marker"
else
  echo "FAIL control: a program loading gdiplus.dll by name did not run the planted DLL"
  status=1
fi

for case_name in full_screen_esc_restores_desktop preview_paints_inside_host_window_and_ends_on_deactivation \
  dialog_close_button_ends_the_program; do
  bash "$here/run_case.sh" "$work/env" "$driver" "$folder/Ambervale.scr" "$case_name" || status=1
  if [ -e "$marker" ]; then
    echo "FAIL $case_name: the planted gdiplus.dll ran inside the saver"
    rm -f "$marker"
    status=1
  fi
done
[ $status -eq 0 ] && echo "PASS planted gdiplus.dll never ran"
exit $status
