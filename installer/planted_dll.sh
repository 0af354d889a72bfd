#!/usr/bin/env bash
# The installer and the uninstaller, run from a folder that holds DLLs of the names their
# NSIS stubs load (seen with WINEDEBUG=+loaddll), with Wine looking for those names in the
# program's folder first: no planted DLL runs. The installer runs silently and, separately,
# until its first page shows (the licence page loads the rich edit control); the uninstaller
# runs silently in place (_?=), which is where its first stage runs from.
#   planted_dll.sh ENV_DIR SETUP_EXE PLANTED_DLL
set -uo pipefail
envdir=$1 setup=$2 planted=$3
src=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=../tests/e2e/planted/plant.sh
. "$src/tests/e2e/planted/plant.sh"
[ -f "$envdir/env" ] || { echo "planted_dll: no Wine environment in $envdir" >&2; exit 1; }
names=(userenv setupapi apphelp propsys dwmapi oleacc shfolder cryptbase clbcatq usp10 riched20 msftedit msimg32
  textshaping ntmarta profapi)

work=$(mktemp -d "${TMPDIR:-/tmp}/ambervale-planted-setup.XXXXXX")
folder=$work/Downloads
mkdir -p "$folder"
cp "$setup" "$folder/"
setup_name=$(basename "$setup")
plant_dlls "$planted" "$folder" "${names[@]}"
planted_env "$envdir/env" "$work/env" "${names[@]}"
# shellcheck disable=SC1091
. "$work/env"
desktop_key='HKCU\Control Panel\Desktop'
install_dir='C:\Program Files\Ambervale'
cleanup() {
  timeout 20 wineserver -k >/dev/null 2>&1
  # The screensaver values as they were before the install.
  for value in SCRNSAVE.EXE ScreenSaveActive; do "$WINE" reg delete "$desktop_key" /v "$value" /f >/dev/null 2>&1; done
  "$WINE" reg import "$work/desktop.reg" >/dev/null 2>&1
  timeout 60 wineserver -w
  rm -rf "$work"
}
trap cleanup EXIT
"$WINE" reg export "$desktop_key" "$work/desktop.reg" /y >/dev/null 2>&1

status=0
check() {  # check WHAT: no marker may have appeared
  local found
  found=$(planted_markers "$folder" | tr '\n' ' ')
  if [ -n "$found" ]; then
    echo "FAIL $1: planted DLLs ran: $found"
    rm -f "$folder"/*.ran
    status=1
  else
    echo "PASS $1"
  fi
}

timeout -k 10 120 "$WINE" "$folder/$setup_name" /S >/dev/null 2>&1
timeout 90 wineserver -w
check "silent install"

cp "$WINEPREFIX/drive_c/Program Files/Ambervale/uninstall.exe" "$folder/" ||
  { echo "FAIL: the silent install put no uninstaller in place"; exit 1; }
timeout -k 10 120 "$WINE" "$folder/uninstall.exe" /S "_?=$install_dir" >/dev/null 2>&1
timeout 90 wineserver -w
check "silent uninstall in place"

"$WINE" "$folder/$setup_name" >/dev/null 2>&1 &
shown=no
for _ in $(seq 600); do
  xdotool search --name "Ambervale Screensaver Setup" >/dev/null 2>&1 && { shown=yes; break; }
  sleep 0.2
done
[ $shown = yes ] || { echo "FAIL: the installer's window did not show within 120 s"; status=1; }
check "installer up to its licence page"
exit $status
