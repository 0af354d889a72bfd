#!/usr/bin/env bash
# At fractional scales the saver shows the output's real pixels: over a wallpaper of one-pixel
# squares, the desktop under the first leaves equals the desktop before the saver but for the
# leaves (a buffer drawn at another size and scaled by the compositor blurs nearly all of it).
# Usage: scale.sh PROGRAM CLIENT
program=$1 client=$2
source "$(dirname "$0")/lib.sh"
start_sway 1
printf 'desktop-picture = true\n' >"$user_home/.config/ambervale/ambervale.conf"
convert -size 64x64 pattern:gray50 "$e2e_dir/fine.png"
chmod 644 "$e2e_dir/fine.png"

# The wallpaper drawn, and the same in two pictures with a round trip to sway between them:
# swaybg has answered the new scale (until then sway shows its old buffer).
settled() {
  shot_of HEADLESS-1 "$e2e_dir/before.ppm" && [ "$(colours "$e2e_dir/before.ppm")" -gt 1 ] &&
    sway_msg -t get_outputs && shot_of HEADLESS-1 "$e2e_dir/again.ppm" &&
    [ "$(differing_pixels "$e2e_dir/before.ppm" "$e2e_dir/again.ppm")" -eq 0 ]
}

for scale in 1.5 1.25; do
  sway_msg output HEADLESS-1 scale "$scale" bg "$e2e_dir/fine.png" tile || fail "swaymsg output scale $scale"
  wait_for 60 "the wallpaper settled at scale $scale" settled
  : >"$e2e_dir/saver.log"
  start_saver --fps
  wait_for 60 "the first frame at scale $scale" grep -q 'first frame after' "$e2e_dir/saver.log"
  shot_of HEADLESS-1 "$e2e_dir/under.ppm" || fail "no picture of the saver at scale $scale"
  differing=$(differing_pixels "$e2e_dir/before.ppm" "$e2e_dir/under.ppm") || fail "compare at scale $scale"
  total=$(($(identify -format '%w * %h' "$e2e_dir/before.ppm")))
  echo "scale $scale: $differing of $total pixels differ"
  [ $((differing * 100)) -lt $((total * 5)) ] || fail "the desktop under the saver differs at scale $scale"
  kill -TERM "$saver_pid"
  expect_exit "$saver_pid" 0 "SIGTERM"
done
echo "scale ok"
