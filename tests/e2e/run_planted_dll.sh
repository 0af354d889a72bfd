#!/usr/bin/env bash
# DLLs that leave a marker file when loaded (planted/planted_dll.c) sit beside a copy of a
# program under the names of DLLs that it or Windows' own DLLs load, and Wine looks for those
# names as Windows does for a DLL that is not a known DLL: in the program's folder first. The
# program runs as usual and no marker appears.
#   run_planted_dll.sh saver ENV_DIR PLANTED_DLL LOAD_BY_NAME_EXE DRIVER_EXE SCR
#     full screen, preview and settings (their end-to-end cases), after a control that loads
#     gdiplus.dll by name from the folder, so that the markers' absence means something
#   run_planted_dll.sh installer ENV_DIR PLANTED_DLL SETUP_EXE
#     a silent install, the uninstaller silently in place (_?=), the installer up to its first page
# Never planted: uxtheme, version, bcrypt, crypt32 and rsaenh, which Wine's own DLLs load by
# name while a process starts, before any code of the program runs (Windows' do not).
set -uo pipefail
mode=$1 envdir=$2 planted=$3
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/ambervale-planted.XXXXXX")
folder=$work/Downloads
mkdir -p "$folder" "$work/env"
trap 'timeout 20 wineserver -k >/dev/null 2>&1; rm -rf "$work"' EXIT
if [ "$mode" = saver ]; then
  names=(gdiplus dwmapi shcore winmm msimg32 oleacc propsys userenv cryptbase usp10 dbghelp windowscodecs)
  cp "$4" "$folder/load_by_name.exe" && cp "$6" "$folder/Ambervale.scr" || exit 1
else
  names=(userenv setupapi apphelp propsys dwmapi oleacc shfolder cryptbase clbcatq usp10 riched20 msftedit msimg32)
  setup=$folder/$(basename "$4")
  cp "$4" "$setup" || exit 1
fi
for name in "${names[@]}"; do cp "$planted" "$folder/$name.dll"; done
{ cat "$envdir/env"; echo "export WINEDLLOVERRIDES=\"mscoree,mshtml=;$(IFS=,; echo "${names[*]}")=n,b\""; } >"$work/env/env"
# shellcheck disable=SC1091
. "$work/env/env"

status=0
markers() { find "$folder" -name '*.dll.ran' -printf '%f ' -delete; }
expect_none() { local found; found=$(markers); [ -z "$found" ] || { echo "FAIL $1: planted DLLs ran: $found"; status=1; }; }
run() { timeout -k 10 120 "$WINE" "$@" >/dev/null 2>&1; timeout 90 wineserver -w; }

if [ "$mode" = saver ]; then
  run "$folder/load_by_name.exe" gdiplus.dll
  [ "$(markers)" = "gdiplus.dll.ran " ] || { echo "FAIL control: loaded by name, the planted gdiplus.dll did not run"; status=1; }
  for case_name in full_screen_esc_restores_desktop preview_paints_inside_host_window_and_ends_on_deactivation \
    dialog_close_button_ends_the_program; do
    bash "$here/run_case.sh" "$work/env" "$5" "$folder/Ambervale.scr" "$case_name" || status=1
    expect_none "$case_name"
  done
else
  desktop_key='HKCU\Control Panel\Desktop'
  "$WINE" reg export "$desktop_key" "$work/desktop.reg" /y >/dev/null 2>&1
  run "$setup" /S
  expect_none "silent install"
  cp "$WINEPREFIX/drive_c/Program Files/Ambervale/uninstall.exe" "$folder/" || status=1
  run "$folder/uninstall.exe" /S '_?=C:\Program Files\Ambervale'
  expect_none "silent uninstall in place"
  "$WINE" "$setup" >/dev/null 2>&1 &
  shown() { xdotool search --name "Ambervale Screensaver Setup" >/dev/null 2>&1; }
  for _ in $(seq 600); do shown && break; sleep 0.2; done
  shown || { echo "FAIL: the installer showed no window within 120 s"; status=1; }
  expect_none "installer up to its first page"
  timeout 20 wineserver -k
  # The screensaver values as they were before the install.
  for value in SCRNSAVE.EXE ScreenSaveActive; do "$WINE" reg delete "$desktop_key" /v "$value" /f >/dev/null 2>&1; done
  run reg import "$work/desktop.reg"
fi
[ $status -eq 0 ] && echo "PASS no planted DLL ran beside the $mode (${names[*]})"
exit $status
