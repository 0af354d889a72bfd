#!/usr/bin/env bash
# Makes the README's animated picture from a real run of Ambervale.scr under Wine on a private
# Xvfb display: one cycle of leaves fading in, then the restore of the bare desktop.
#   scripts/animation.sh [OUTPUT_GIF]          (default docs/ambervale.gif)
# AMBERVALE_ANIMATION_DEBUG=1 prints each frame's changed pixels and keeps the frames.
# The largest Size and the fastest pace keep the cycle short. Screenshots are taken as fast
# as the display gives them for AMBERVALE_ANIMATION_SECONDS (default 15); each frame is shown
# for the time that passed until the next, sped up by AMBERVALE_ANIMATION_SPEEDUP (default 2)
# so one cycle plays in a few seconds.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
out=${1:-docs/ambervale.gif}
algorithm=${AMBERVALE_ANIMATION_ALGORITHM:-2}
speedup=${AMBERVALE_ANIMATION_SPEEDUP:-2}
width=${AMBERVALE_ANIMATION_WIDTH:-640}
seconds=${AMBERVALE_ANIMATION_SECONDS:-15}

. scripts/build-scr.sh

envdir=$(mktemp -d "${TMPDIR:-/tmp}/ambervale-animation.XXXXXX")
cleanup() {
  bash scripts/wine-env.sh stop "$envdir" >/dev/null 2>&1 || true
  if [ -n "${AMBERVALE_ANIMATION_DEBUG:-}" ]; then echo "animation: frames kept in $envdir"; else rm -rf "$envdir"; fi
}
trap cleanup EXIT
bash scripts/wine-env.sh start "$envdir"
# shellcheck disable=SC1091
. "$envdir/env"
frames=$envdir/frames
mkdir -p "$frames"

reg_dword() { "$WINE" reg add "$1" /v "$2" /t REG_DWORD /d "$3" /f >/dev/null 2>&1; }
"$WINE" reg add 'HKCU\Control Panel\Colors' /v Background /t REG_SZ /d '58 84 110' /f >/dev/null 2>&1
for setting in Size=20 "Algorithm=$algorithm" Transparent=9 Fast=50 Color_s=3 Key_Exit=0 Rands_Algorithm=0; do
  reg_dword 'HKCU\Software\Ambervale' "${setting%%=*}" "${setting#*=}"
done
timeout 20 wineserver -w || true

# Pixels that differ from the bare desktop.
changed_pixels() {
  local n
  n=$(compare -metric AE -fuzz 6% "$envdir/bare.png" "$1" null: 2>&1 || true)
  n=${n%% *}; n=${n%.*}
  [[ $n =~ ^[0-9]+$ ]] && echo "$n" || echo 0
}
now_ms() { date +%s%3N; }

# The bare desktop first: the screen is black until the desktop window shows.
"$WINE" explorer /desktop=Ambervale,1024x768 >/dev/null 2>&1 &
for ((i = 0; i < 120; i++)); do
  sleep 0.25
  import -display "$DISPLAY" -window root "$envdir/bare.png"
  [ "$(convert "$envdir/bare.png" -format '%[fx:int(mean*1000)]' info:)" -gt 10 ] && break
done

# Raw frames as fast as they come, with their times; analysed afterwards, so that the
# capture is not slowed down.
"$WINE" explorer /desktop=Ambervale,1024x768 "$scr" /s >/dev/null 2>&1 &
n=0 deadline=$((SECONDS + seconds))
while [ $SECONDS -lt $deadline ]; do
  import -display "$DISPLAY" -window root "$frames/$(printf '%04d' $n).xwd"
  echo "$(now_ms)" >>"$frames/times"
  n=$((n + 1))
done
timeout 20 wineserver -k || true
mapfile -t times <"$frames/times"

# A restore is a frame with far fewer changed pixels than the fullest one before it. The
# picture shows the cycle between the first two restores, from the bare desktop to the next.
restores=() peak=0
for ((i = 0; i < n; i++)); do
  changed=$(changed_pixels "$frames/$(printf '%04d' $i).xwd")
  [ -n "${AMBERVALE_ANIMATION_DEBUG:-}" ] && echo "frame $i at ${times[i]} ms: $changed pixels changed"
  if [ $peak -gt 10000 ] && [ "$changed" -lt $((peak / 10)) ]; then
    restores+=("$i") peak=$changed
    [ ${#restores[@]} -eq 2 ] && break
  fi
  [ "$changed" -gt $peak ] && peak=$changed
done
[ ${#restores[@]} -eq 2 ] || { echo "animation: no whole cycle within $seconds s" >&2; exit 1; }
first=${restores[0]} last=${restores[1]}

# Frame delays in hundredths of a second, from the capture times; the fullest frame and
# the restored desktop are held a little longer so the eye can take them in.
args=()
for ((i = first; i <= last; i++)); do
  delay=$(((times[i + 1] - times[i]) / (10 * speedup)))
  [ $i -eq $((last - 1)) ] && delay=150
  [ $i -eq $last ] && delay=100
  [ $delay -ge 2 ] || delay=2
  args+=(-delay "$delay" "$frames/$(printf '%04d' $i).xwd")
done
mkdir -p "$(dirname "$out")"
convert "${args[@]}" -resize "${width}x" -loop 0 -layers Optimize -colors 128 "$out"
echo "animation: $out, $((last - first + 1)) frames, $(stat -c %s "$out") bytes"
