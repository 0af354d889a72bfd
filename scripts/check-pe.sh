#!/usr/bin/env bash
# A Windows program's PE header: ASLR with high entropy and NX, and imports only from DLLs that
# Windows never looks for beside the program (known DLLs, comctl32 v6 by the manifest, the C
# runtime's API sets); others are loaded by LoadSystemLibrary (src/win32/system_library.h).
#   check-pe.sh PROGRAM [OBJDUMP]
set -uo pipefail
header=$("${2:-x86_64-w64-mingw32-objdump}" -p "$1") || exit 1
flags=$(awk '$1 == "DllCharacteristics" { print $2 }' <<<"$header")
status=0
for flag in HIGH_ENTROPY_VA:0x20 DYNAMIC_BASE:0x40 NX_COMPAT:0x100; do
  (( 16#${flags:-0} & ${flag#*:} )) || { echo "FAIL: ${flag%%:*} is not set (DllCharacteristics ${flags:-none})"; status=1; }
done
for dll in $(awk '/DLL Name:/ { print tolower($3) }' <<<"$header"); do
  case $dll in
    kernel32.dll | user32.dll | gdi32.dll | advapi32.dll | ole32.dll | msvcrt.dll | comctl32.dll | api-ms-win-crt-*.dll) ;;
    *) echo "FAIL: imports $dll, which Windows may look for beside the program first"; status=1 ;;
  esac
done
exit $status
