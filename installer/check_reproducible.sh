#!/usr/bin/env bash
# Two builds of one commit must give byte-identical files. The saver is linked twice by the
# build (the second link in its own folder); the installer is made a second time here.
#   check_reproducible.sh SETUP SCR SECOND_SCR MAKENSIS [OPTIONS...] SCRIPT
set -uo pipefail
setup=$1 scr=$2 second_scr=$3
shift 3
work=$(mktemp -d "${TMPDIR:-/tmp}/ambervale-repro.XXXXXX")
trap 'rm -rf "$work"' EXIT
status=0
cmp "$scr" "$second_scr" || { echo "FAIL: two links of the saver differ"; status=1; }

# OUTFILE goes before the script, which makensis reads when it meets it.
"${@:1:$#-1}" "-DOUTFILE=$work/setup.exe" "${@: -1}" >"$work/makensis.log" 2>&1 ||
  { cat "$work/makensis.log"; echo "FAIL: makensis"; exit 1; }
cmp "$setup" "$work/setup.exe" || { echo "FAIL: two builds of the installer differ"; status=1; }
[ $status -eq 0 ] && echo "reproducible: $(basename "$scr") and $(basename "$setup") came out the same twice"
exit $status
