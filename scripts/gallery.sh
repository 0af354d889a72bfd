#!/usr/bin/env bash
# Makes the gallery: one screenshot per layout family from real runs of Ambervale.scr under
# Wine on a private Xvfb display, stored as docs/gallery/<n>-<family>.png.
#   scripts/gallery.sh [OUTPUT_DIR]
# Each family runs with a fixed algorithm (Random off) and the fastest pace; screenshots are
# taken every second and the one showing the most leaves before the cycle's restore is kept.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
out=${1:-docs/gallery}
seconds=${AMBERVALE_GALLERY_SECONDS:-40}
mkdir -p "$out"

. scripts/build-scr.sh

envdir=$(mktemp -d "${TMPDIR:-/tmp}/ambervale-gallery.XXXXXX")
cleanup() { bash scripts/wine-env.sh stop "$envdir" >/dev/null 2>&1 || true; rm -rf "$envdir"; }
trap cleanup EXIT
bash scripts/wine-env.sh start "$envdir"
# shellcheck disable=SC1091
. "$envdir/env"

# A calm blue-grey desktop, so the autumn colours stand out.
"$WINE" reg add 'HKCU\Control Panel\Colors' /v Background /t REG_SZ /d '58 84 110' /f >/dev/null 2>&1

settings() {  # settings ALGORITHM
  local name value
  for pair in Size=12 "Algorithm=$1" Transparent=9 Fast=50 Color_s=3 Key_Exit=0 Rands_Algorithm=0; do
    name=${pair%%=*} value=${pair#*=}
    "$WINE" reg add 'HKCU\Software\Ambervale' /v "$name" /t REG_DWORD /d "$value" /f >/dev/null 2>&1
  done
}

shoot() {  # shoot FILE
  import -display "$DISPLAY" -window root "$1"
}

families=("0 jittered-grid" "1 plain-grid" "2 pyramid" "3 rings" "4 spiral" "9 column-wave" "10 row-wave")
for family in "${families[@]}"; do
  algorithm=${family%% *} name=${family#* }
  settings "$algorithm"
  timeout 20 wineserver -w || true
  "$WINE" explorer /desktop=Ambervale,1024x768 >/dev/null 2>&1 &
  # The bare desktop, once the desktop window shows (the screen is black before).
  for ((i = 0; i < 60; i++)); do
    sleep 0.5
    shoot "$envdir/bare.png"
    mean=$(convert "$envdir/bare.png" -format '%[fx:int(mean*1000)]' info:)
    [ "$mean" -gt 10 ] && break
  done
  "$WINE" explorer /desktop=Ambervale,1024x768 "$scr" /s >/dev/null 2>&1 &
  best=-1 previous=-1
  for ((i = 1; i <= seconds; i++)); do
    sleep 1
    shoot "$envdir/shot.png"
    changed=$(compare -metric AE -fuzz 6% "$envdir/bare.png" "$envdir/shot.png" null: 2>&1 || true)
    changed=${changed%% *}; changed=${changed%.*}
    [[ $changed =~ ^[0-9]+$ ]] || changed=0
    if [ "$changed" -gt "$best" ]; then best=$changed; cp "$envdir/shot.png" "$envdir/best.png"; fi
    # Past the fullest picture the cycle was restored: the next one starts from nothing.
    if [ "$previous" -gt 0 ] && [ "$changed" -lt $((previous / 2)) ]; then break; fi
    previous=$changed
  done
  timeout 20 wineserver -k || true
  file=$out/$(printf '%02d' "$algorithm")-$name.png
  convert "$envdir/best.png" -strip -colors 256 "PNG8:$file"
  echo "gallery: $file ($best pixels changed)"
done
