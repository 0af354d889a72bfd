#!/usr/bin/env bash
# Checks a Windows program's PE header and import table:
# - ASLR (DYNAMIC_BASE) with a 64-bit address range (HIGH_ENTROPY_VA) and no execution from
#   data pages (NX_COMPAT);
# - it imports only from DLLs that Windows never looks for beside the program: known DLLs
#   (listed in the registry, always taken from the system folder), comctl32.dll (version 6,
#   which the manifest takes from the side-by-side store) and the C runtime's API sets. No
#   runtime DLL of its own either. Any other system DLL (gdiplus.dll, winmm.dll, ...) is loaded
#   from the system folder by full path at run time instead (win32/system_library.h).
#   check-pe.sh PROGRAM [OBJDUMP]
set -euo pipefail
program=$1 objdump=${2:-x86_64-w64-mingw32-objdump}
header=$("$objdump" -p "$program")
status=0
fail() { echo "FAIL $program: $*"; status=1; }

flags=$(awk '$1 == "DllCharacteristics" { print $2 }' <<<"$header")
[ -n "$flags" ] || fail "no DllCharacteristics in the PE header"
for flag in HIGH_ENTROPY_VA:0x20 DYNAMIC_BASE:0x40 NX_COMPAT:0x100; do
  (( 16#${flags:-0} & ${flag#*:} )) || fail "${flag%%:*} is not set (DllCharacteristics ${flags:-none})"
done

mapfile -t imports < <(awk '/DLL Name:/ { print tolower($3) }' <<<"$header")
[ ${#imports[@]} -gt 0 ] || fail "no import table"
for dll in "${imports[@]}"; do
  case "$dll" in
    kernel32.dll | user32.dll | gdi32.dll | advapi32.dll | ole32.dll | msvcrt.dll | comctl32.dll | api-ms-win-crt-*.dll) ;;
    *) fail "imports $dll, which Windows may look for beside the program first (load it with LoadSystemLibrary)" ;;
  esac
done
[ $status -eq 0 ] && echo "PASS $program: ${imports[*]}; DllCharacteristics $flags"
exit $status
