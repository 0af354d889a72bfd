#!/usr/bin/env bash
# DLLs that mark their loading sit beside a copy of the saver under the names of DLLs it or
# Windows may load (gdiplus.dll first), and Wine looks for them as Windows does for a DLL that
# is not a known DLL: full screen, preview and settings still pass their end-to-end cases,
# and no marker appears. A control first loads gdiplus.dll by name from the same folder, so
# the markers' absence means something.
#   run_planted_dll.sh ENV_DIR DRIVER_EXE SCR_PATH PLANTED_DLL LOAD_BY_NAME_EXE
set -uo pipefail
envdir=$1 driver=$2 scr=$3 planted=$4 load_by_name=$5
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=planted/plant.sh
. "$here/planted/plant.sh"
[ -f "$envdir/env" ] || { echo "run_planted_dll: no Wine environment in $envdir" >&2; exit 1; }
names=(gdiplus dwmapi shcore winmm msimg32 oleacc propsys userenv cryptbase usp10 dbghelp windowscodecs)

work=$(mktemp -d "${TMPDIR:-/tmp}/ambervale-planted.XXXXXX")
trap 'rm -rf "$work"' EXIT
folder=$work/Downloads
mkdir -p "$folder" "$work/env"
cp "$scr" "$folder/Ambervale.scr"
cp "$load_by_name" "$folder/load_by_name.exe"
plant_dlls "$planted" "$folder" "${names[@]}"
planted_env "$envdir/env" "$work/env/env" "${names[@]}"
# shellcheck disable=SC1091
. "$work/env/env"

status=0
timeout -k 10 120 "$WINE" "$folder/load_by_name.exe" gdiplus.dll >/dev/null 2>&1
timeout 20 wineserver -w
if [ "$(planted_markers "$folder")" = gdiplus.dll.ran ]; then
  rm -f "$folder"/*.ran
else
  echo "FAIL control: loading gdiplus.dll by name left the markers [$(planted_markers "$folder")]"
  status=1
fi

for case_name in full_screen_esc_restores_desktop preview_paints_inside_host_window_and_ends_on_deactivation \
  dialog_close_button_ends_the_program; do
  bash "$here/run_case.sh" "$work/env" "$driver" "$folder/Ambervale.scr" "$case_name" || status=1
  if [ -n "$(planted_markers "$folder")" ]; then
    echo "FAIL $case_name: planted DLLs ran inside the saver: $(planted_markers "$folder" | tr '\n' ' ')"
    rm -f "$folder"/*.ran
    status=1
  fi
done
[ $status -eq 0 ] && echo "PASS no planted DLL ran (${names[*]})"
exit $status
