#!/usr/bin/env bash
# A manual page renders without a single groff warning and names every option its program's
# --help lists. Usage: man_page_test.sh PAGE PROGRAM
set -euo pipefail
page=$1 program=$2
warnings=$(LC_ALL=C.UTF-8 groff -ww -man -Tutf8 -z "$page" 2>&1) && [ -z "$warnings" ] ||
  { echo "FAIL: groff on $page: $warnings"; exit 1; }
for option in $("$program" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
  grep -qF -- "${option//-/\\-}" "$page" || { echo "FAIL: $page does not describe $option"; exit 1; }
done
