#!/usr/bin/env bash
# DLLs that leave a marker file when loaded sit beside a copy of a program under the names of
# DLLs it or Windows' DLLs load; Wine looks for them in the program's folder first, as Windows
# does for a DLL that is not a known DLL. The program runs as usual; no marker may appear.
#   run_planted_dll.sh saver ENV_DIR PLANTED_DLL LOAD_BY_NAME_EXE DRIVER_EXE SCR
#   run_planted_dll.sh installer ENV_DIR PLANTED_DLL SETUP_EXE
# AMBERVALE_WINE_ENV_DIR, when set, names the environment instead of ENV_DIR (scripts/wine-env.sh).
# Never planted: uxtheme, version, bcrypt, crypt32, rsaenh, which Wine's own DLLs load by name
# while a process starts, before the program's code runs (Windows' do not).
set -uo pipefail
mode=$1 envdir=${AMBERVALE_WINE_ENV_DIR:-$2} planted=$3
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
  # The control: loaded by name, the planted DLL runs, so its absence later means something.
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
  # In place (_?=): where the uninstaller's first stage runs from.
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
