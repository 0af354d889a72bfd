#!/usr/bin/env bash
# The installer's round trip under Wine, in the test environment of scripts/wine-env.sh:
# a silent install, then the saver in the real System32, our folder, the screensaver values
# and the uninstall key are checked; a silent uninstall, then all of it is gone, while the
# user's settings stay. A second round trip checks that another saver chosen meanwhile
# stays chosen. Results are checked, never exit codes alone: a 32-bit installer under
# wine64, for one, fails silently with exit code 0.
#   round_trip.sh ENV_DIR SETUP_EXE SCR SOURCE_DIR
# AMBERVALE_WINE_ENV_DIR, when set, names the environment instead of ENV_DIR (scripts/wine-env.sh).
set -uo pipefail
envdir=${AMBERVALE_WINE_ENV_DIR:-$1} setup=$2 scr=$3 src=$4
[ -f "$envdir/env" ] || { echo "round_trip: no Wine environment in $envdir" >&2; exit 1; }
# shellcheck disable=SC1091
. "$envdir/env"
version=$(basename "$setup" | sed -n 's/^Ambervale-\(.*\)-setup\.exe$/\1/p')
work=$(mktemp -d "${TMPDIR:-/tmp}/ambervale-install.XXXXXX")
trap 'rm -rf "$work"' EXIT

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
wine_run() { timeout -k 10 120 "$WINE" "$@" >>"$work/wine.log" 2>&1; }
# Every process of the prefix has ended, which includes an uninstaller that copied itself
# to a temporary folder and returned at once.
settle() { timeout 90 wineserver -w || fail "Wine did not settle within 90 s"; }

desktop_key='HKCU\Control Panel\Desktop'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Ambervale'
settings_key='HKCU\Software\Ambervale'
system_scr='C:\windows\system32\Ambervale.scr'
install_dir='C:\Program Files\Ambervale'
unix_system32=$WINEPREFIX/drive_c/windows/system32
unix_install_dir="$WINEPREFIX/drive_c/Program Files/Ambervale"

# The values of a key as "NAME TYPE DATA" lines, single-spaced (empty when the key is absent).
key_values() { "$WINE" reg query "$1" 2>/dev/null | tr -d '\r' | sed -n 's/^ \{2,\}\([^ ].*\)$/\1/p' | sed 's/ \{2,\}/ /g'; }
expect_value() {  # expect_value VALUES NAME "TYPE DATA"
  grep -Fxiq "$2 $3" <<<"$1" || fail "$2 is not $3 (found: $(grep -i "^$2 " <<<"$1"))"
}
set_screensaver() { wine_run reg add "$desktop_key" /v SCRNSAVE.EXE /t REG_SZ /d "$1" /f; }

install() {
  wine_run "$setup" /S
  settle
}
uninstall() {
  wine_run "$install_dir\\uninstall.exe" /S
  settle
}

check_installed() {
  cmp -s "$scr" "$unix_system32/Ambervale.scr" || fail "Ambervale.scr is not in the real System32"
  [ ! -e "$WINEPREFIX/drive_c/windows/syswow64/Ambervale.scr" ] || fail "Ambervale.scr went to SysWOW64"
  [ -f "$unix_install_dir/uninstall.exe" ] || fail "no uninstall.exe in $install_dir"
  cmp -s "$src/LICENSE" "$unix_install_dir/LICENSE.txt" || fail "LICENSE.txt not installed"
  cmp -s "$src/THIRD_PARTY_NOTICES.txt" "$unix_install_dir/THIRD_PARTY_NOTICES.txt" ||
    fail "THIRD_PARTY_NOTICES.txt not installed"

  local desktop uninstall
  desktop=$(key_values "$desktop_key")
  expect_value "$desktop" SCRNSAVE.EXE "REG_SZ $system_scr"
  expect_value "$desktop" ScreenSaveActive "REG_SZ 1"

  uninstall=$(key_values "$uninstall_key")
  expect_value "$uninstall" DisplayName "REG_SZ Ambervale Screensaver"
  expect_value "$uninstall" DisplayVersion "REG_SZ $version"
  expect_value "$uninstall" Publisher "REG_SZ The Ambervale Screensaver developers"
  expect_value "$uninstall" DisplayIcon "REG_SZ $system_scr"
  expect_value "$uninstall" InstallLocation "REG_SZ $install_dir"
  expect_value "$uninstall" UninstallString "REG_SZ \"$install_dir\\uninstall.exe\""
  expect_value "$uninstall" QuietUninstallString "REG_SZ \"$install_dir\\uninstall.exe\" /S"
  expect_value "$uninstall" NoModify "REG_DWORD 0x1"
  expect_value "$uninstall" NoRepair "REG_DWORD 0x1"
  local size_kb
  size_kb=$(sed -n 's/^EstimatedSize REG_DWORD //p' <<<"$uninstall")
  [[ $size_kb =~ ^0x[0-9a-fA-F]+$ ]] && [ $((size_kb)) -ge $(($(stat -c %s "$scr") / 1024)) ] ||
    fail "EstimatedSize ($size_kb) is not the saver's size in KB"
}

check_uninstalled() {
  [ ! -e "$unix_system32/Ambervale.scr" ] || fail "Ambervale.scr is still in System32"
  [ ! -e "$unix_install_dir" ] || fail "$install_dir is still there: $(ls "$unix_install_dir")"
  [ -z "$(key_values "$uninstall_key")" ] || fail "the uninstall key is still there"
  expect_value "$(key_values "$settings_key")" InstallerTestMark "REG_SZ kept"
}

# The screensaver values as they were, to be put back at the end.
desktop_before=$(key_values "$desktop_key" | grep -Ei '^(SCRNSAVE\.EXE|ScreenSaveActive) REG_SZ ')
# The user's own settings, which must outlive an uninstall.
settings_existed=no
[ -n "$(key_values "$settings_key")" ] && settings_existed=yes
wine_run reg add "$settings_key" /v InstallerTestMark /t REG_SZ /d kept /f

install
check_installed
# Another program may have written our path in other letter case.
set_screensaver "$(tr '[:lower:]' '[:upper:]' <<<"$system_scr")"
uninstall
check_uninstalled
grep -qi '^SCRNSAVE.EXE ' <<<"$(key_values "$desktop_key")" && fail "SCRNSAVE.EXE still names the removed saver"

install
[ -f "$unix_system32/Ambervale.scr" ] || fail "the second install did not install"
set_screensaver 'C:\windows\system32\other.scr'
uninstall
check_uninstalled
expect_value "$(key_values "$desktop_key")" SCRNSAVE.EXE 'REG_SZ C:\windows\system32\other.scr'

# Leave the shared prefix as it was found.
wine_run reg delete "$desktop_key" /v SCRNSAVE.EXE /f
wine_run reg delete "$desktop_key" /v ScreenSaveActive /f
while read -r name type data; do
  [ -n "$name" ] && wine_run reg add "$desktop_key" /v "$name" /t "$type" /d "$data" /f
done <<<"$desktop_before"
if [ $settings_existed = yes ]; then
  wine_run reg delete "$settings_key" /v InstallerTestMark /f
else
  wine_run reg delete "$settings_key" /f
fi
settle

[ $failures -eq 0 ] && echo "installer round trip: install, checks, uninstall, checks passed (twice)"
exit $((failures > 0))
