#!/usr/bin/env bash
# Two outputs each get their own leaves; an output that goes loses its surface while the run
# goes on, and one that comes later gets a surface of its own; a scale of 2 gets sharp leaves.
# Usage: outputs.sh PROGRAM CLIENT
program=$1 client=$2
source "$(dirname "$0")/lib.sh"
start_sway 2

start_saver --fast 50
wait_for 60 "leaves on the first output" leaves_on HEADLESS-1 "$plain_pixel"
wait_for 60 "leaves on the second output" leaves_on HEADLESS-2 "$plain_pixel"

sway_msg output HEADLESS-2 disable || fail "swaymsg output disable"
sway_msg create_output || fail "swaymsg create_output"
wait_for 60 "leaves on the new output" leaves_on HEADLESS-3 "$plain_pixel"
saver_went_on
kill -0 "$saver_pid" || fail "the run ended when an output went away"
sway_msg output HEADLESS-2 enable || fail "swaymsg output enable"
wait_for 60 "leaves on the output back again" leaves_on HEADLESS-2 "$plain_pixel"

# At scale 2 the buffer has the output's real pixels: a picture made of 2 x 2 blocks (a
# buffer at the logical size, scaled up by the compositor) would survive halving and doubling.
sway_msg output HEADLESS-1 scale 2 || fail "swaymsg output scale"
sharp() {
  leaves_on HEADLESS-1 "$plain_pixel" && convert "$e2e_dir/leaves.ppm" -sample 50% -sample 200% "$e2e_dir/blocks.ppm" &&
    [ "$(differing_pixels "$e2e_dir/leaves.ppm" "$e2e_dir/blocks.ppm")" -gt 1000 ]
}
wait_for 60 "sharp leaves at scale 2" sharp

kill -INT "$saver_pid"
expect_exit "$saver_pid" 0 "SIGINT"
for output in HEADLESS-1 HEADLESS-2 HEADLESS-3; do
  wait_for 60 "the desktop back on $output" pixel_is "$output" "$sway_bg_pixel"
done
echo "outputs ok"
