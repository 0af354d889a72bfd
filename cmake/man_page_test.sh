#!/usr/bin/env bash
# A manual page renders without a single groff warning and names every option its program's
# --help lists. Usage: man_page_test.sh PAGE PROGRAM
set -euo pipefail
page=$1 program=$2
warnings=$(LC_ALL=C.UTF-8 groff -ww -man -Tutf8 -z "$page" 2>&1) || { echo "FAIL: groff failed: $warnings"; exit 1; }
[ -z "$warnings" ] || { echo "FAIL: groff warns about $(basename "$page"):"; echo "$warnings"; exit 1; }

missing=()
for option in $("$program" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
  grep -qF -- "${option//-/\\-}" "$page" || missing+=("$option")
done
[ ${#missing[@]} -eq 0 ] || { echo "FAIL: $(basename "$page") does not describe ${missing[*]}"; exit 1; }
echo "$(basename "$page") renders cleanly and names every option of $(basename "$program") --help"
