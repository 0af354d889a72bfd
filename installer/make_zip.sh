#!/usr/bin/env bash
# The saver's zip: Ambervale.scr, LICENSE.txt and THIRD_PARTY_NOTICES.txt, in that order, with
# fixed permissions, the time SOURCE_DATE_EPOCH gives (else the saver's) and no extra fields,
# so two builds of one commit give the same bytes.
#   make_zip.sh ZIP SCR LICENSE NOTICES
set -euo pipefail
zip=$1 scr=$2 licence=$3 notices=$4
stage=$(mktemp -d "${TMPDIR:-/tmp}/ambervale-zip.XXXXXX")
trap 'rm -rf "$stage"' EXIT
cp "$scr" "$stage/Ambervale.scr"
cp "$licence" "$stage/LICENSE.txt"
cp "$notices" "$stage/THIRD_PARTY_NOTICES.txt"
chmod 644 "$stage"/*
touch -d "@${SOURCE_DATE_EPOCH:-$(stat -c %Y "$scr")}" "$stage"/*
rm -f "$zip"
# zip writes local time.
(cd "$stage" && TZ=UTC zip -q -X -9 "$zip" Ambervale.scr LICENSE.txt THIRD_PARTY_NOTICES.txt)
