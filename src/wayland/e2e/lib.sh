# Shared by the Wayland end-to-end tests: a headless sway of our own as an unprivileged user
# (sway refuses root) with a private XDG_RUNTIME_DIR, screenshots with grim, keys with wtype and
# pointer motion with the helper client. Sourced after `program` and `client` are set; builds on
# the Linux tests' bounded waits, screenshot comparison and clean-up (src/linux/e2e).
source "$(dirname "${BASH_SOURCE[0]}")/../../linux/e2e/lib.sh"

# The background sway paints, and the plain background of the saver (kPlainBackground).
sway_bg='#336699'
sway_bg_pixel='srgb(51,102,153)'
plain_pixel='srgb(30,40,48)'

# The user may not reach a build under /root: copies in a world-readable folder.
bin_dir="$e2e_dir/bin"
mkdir -p "$bin_dir"
cp "$program" "$bin_dir/ambervale-wayland"
cp "$client" "$bin_dir/wayland_e2e_client"
# The program's build for the failing edges, where a test takes it.
[ -n "${failing:-}" ] && cp "$failing" "$bin_dir/ambervale-wayland-failing-edges"
chmod 755 "$bin_dir" "$bin_dir"/*
program="$bin_dir/ambervale-wayland"
client="$bin_dir/wayland_e2e_client"
failing="$bin_dir/ambervale-wayland-failing-edges"

if [ "$(id -u)" -eq 0 ]; then
  sway_user="ambervale-wl-$$"
  useradd -M -U -d "$e2e_dir/home" -s /usr/sbin/nologin "$sway_user"
else
  sway_user=$(id -un)
fi
user_home="$e2e_dir/home"
runtime_dir="$e2e_dir/run"
mkdir -p "$user_home/.config/ambervale" "$runtime_dir"
# The cases compare against the plain background unless they turn the desktop picture back on.
printf 'desktop-picture = false\n' >"$user_home/.config/ambervale/ambervale.conf"
chmod 700 "$runtime_dir"
chown -R "$sway_user:" "$user_home" "$runtime_dir"

# Everything of the user's, then the user.
e2e_extra_cleanup() {
  local pids
  pids=$(pgrep -u "$sway_user" | tr '\n' ' ' || true)
  if [ "$(id -u)" -eq 0 ]; then
    # shellcheck disable=SC2086
    [ -n "$pids" ] && stop_pids $pids
    userdel "$sway_user" 2>/dev/null || true
  fi
  return 0
}

# as_user COMMAND...: runs it as the user, in the user's session. In a background subshell,
# `(as_user ...) &`, the command takes the subshell's place, so that $! is its pid.
as_user() {
  local run=(env -i HOME="$user_home" USER="$sway_user" XDG_RUNTIME_DIR="$runtime_dir" WAYLAND_DISPLAY=wayland-1
             DBUS_SESSION_BUS_ADDRESS="unix:path=$runtime_dir/bus" PATH=/usr/bin:/bin "$@")
  [ "$(id -u)" -eq 0 ] && run=(setpriv --reuid="$sway_user" --regid="$sway_user" --init-groups "${run[@]}")
  if [ "$BASH_SUBSHELL" -gt 0 ]; then exec "${run[@]}"; fi
  "${run[@]}"
}

# start_sway OUTPUTS [CONFIG LINE...]: headless sway with OUTPUTS outputs of 1280x720 over the
# known background; waits until grim can take a picture of the first.
start_sway() {
  local outputs=$1; shift
  printf 'output * bg %s solid_color\n' "$sway_bg" >"$e2e_dir/sway.conf"
  printf '%s\n' "$@" >>"$e2e_dir/sway.conf"
  chmod 644 "$e2e_dir/sway.conf"
  (as_user env WLR_BACKENDS=headless WLR_HEADLESS_OUTPUTS="$outputs" WLR_RENDERER=pixman \
    sway -c "$e2e_dir/sway.conf" >"$e2e_dir/sway.log" 2>&1) &
  e2e_pids+=($!)
  wait_for 60 "sway answering" shot_of HEADLESS-1 "$e2e_dir/first.ppm"
  # swaybg paints the background a moment after the output appears.
  wait_for 60 "sway's background" pixel_is HEADLESS-1 "$sway_bg_pixel"
}

# sway_msg ARGS...: swaymsg to our sway, whose socket is in the private runtime folder.
sway_msg() {
  local socket
  socket=$(find "$runtime_dir" -maxdepth 1 -name 'sway-ipc.*.sock' | head -n1)
  as_user env SWAYSOCK="$socket" swaymsg -q "$@"
}

# start_mutter [SIZE...]: GNOME's compositor, headless with a monitor of each size (one of
# 1280x720 unless given), on a session bus of the user's own (its idle monitor and remote
# desktop answer there; no PipeWire needed).
start_mutter() {
  local monitors=() size
  for size in "${@:-1280x720}"; do monitors+=(--virtual-monitor "$size"); done
  (as_user dbus-daemon --session --nofork --address="unix:path=$runtime_dir/bus" >"$e2e_dir/dbus.log" 2>&1) &
  e2e_pids+=($!)
  wait_for 60 "the session bus" test -S "$runtime_dir/bus"
  (as_user mutter --headless "${monitors[@]}" --wayland --no-x11 --wayland-display=wayland-1 \
    >"$e2e_dir/mutter.log" 2>&1) &
  e2e_pids+=($!)
  wait_for 60 "mutter's remote desktop" mutter_answers
}
mutter_answers() {
  as_user gdbus introspect --session --dest org.gnome.Mutter.RemoteDesktop --object-path /org/gnome/Mutter/RemoteDesktop \
    >/dev/null 2>&1
}

# saver_shown: the idle watcher's saver (started with `--fast 50` alone) runs; its pid in
# $e2e_dir/shown.
saver_shown() { pgrep -u "$sway_user" -f "^$program --fast 50\$" >"$e2e_dir/shown"; }

# held_off_by_inhibitor INHIBITOR...: while the command (a stand-in for a video player that
# prints "inhibiting" once it holds) runs, a watcher with --idle 2 starts no saver; after it,
# the saver comes. Leaves the watcher running, its pid in watcher_pid.
held_off_by_inhibitor() {
  ("$@" >"$e2e_dir/inhibit.log") &
  local inhibitor=$!
  e2e_pids+=($inhibitor)
  wait_for 60 "the idle inhibitor" grep -q inhibiting "$e2e_dir/inhibit.log"
  (as_user "$program" --idle 2 --fast 50 2>>"$e2e_dir/watcher.log") &
  watcher_pid=$!
  e2e_pids+=($watcher_pid)
  # Had the watcher not been held off, its saver would run still: nothing has ended it.
  wait_for 60 "the inhibitor's end" eval "! kill -0 $inhibitor 2>/dev/null"
  saver_shown && fail "the saver started while an application inhibited idle"
  wait_for 60 "the saver once the inhibitor let go" saver_shown
}

# start_fullscreen_saver WIDTH HEIGHT: the program with --fps and its protocol logged
# (WAYLAND_DEBUG=1) where there is no layer shell; waits until it has asked for a full-screen
# toplevel, been given WIDTH x HEIGHT and sent more than 20 changed pictures. Sets saver_pid.
start_fullscreen_saver() {
  (as_user env WAYLAND_DEBUG=1 "$program" --fps 2>>"$e2e_dir/saver.log") &
  saver_pid=$!
  e2e_pids+=($saver_pid)
  wait_for 60 "a full-screen toplevel" grep -q 'xdg_toplevel@[0-9]*.set_fullscreen' "$e2e_dir/saver.log"
  wait_for 60 "the output's size asked for" grep -q "xdg_toplevel@[0-9]*.configure($1, $2" "$e2e_dir/saver.log"
  wait_for 60 "ticks drawn" eval '[ "$(grep -c "wl_surface@[0-9]*.damage_buffer" "$e2e_dir/saver.log")" -gt 20 ]'
}

# shot_of OUTPUT FILE: a screenshot of one output as PPM (quick to write and read at 4K).
shot_of() {
  as_user grim -t ppm -o "$1" - >"$2" 2>/dev/null && [ -s "$2" ]
}

# pixel_is OUTPUT COLOUR: the output's top-left pixel has that colour now.
pixel_is() {
  shot_of "$1" "$e2e_dir/pixel.ppm" && [ "$(convert "$e2e_dir/pixel.ppm" -format '%[pixel:p{2,2}]' info:)" = "$2" ]
}

# leaves_on OUTPUT BACKGROUND: leaves lie over the given background (its colour at the corner,
# and many colours in all).
leaves_on() {
  shot_of "$1" "$e2e_dir/leaves.ppm" &&
    [ "$(convert "$e2e_dir/leaves.ppm" -format '%[pixel:p{2,2}]' info:)" = "$2" ] &&
    [ "$(colours "$e2e_dir/leaves.ppm")" -gt 50 ]
}

# start_saver ARGS...: the program as the user, in the background; sets saver_pid.
start_saver() {
  (as_user "$program" "$@" 2>>"$e2e_dir/saver.log") &
  saver_pid=$!
  e2e_pids+=($saver_pid)
}

# expect_exit PID STATUS WHAT: the process ends within a minute with that status.
expect_exit() {
  wait_for 60 "end after $3" eval "! kill -0 $1 2>/dev/null"
  local status=0
  wait "$1" || status=$?
  [ "$status" -eq "$2" ] || fail "exit status $status after $3 (expected $2)"
}

# The saver drew two more frames: whatever was sent to it before has been read.
saver_went_on() {
  local before="$e2e_dir/before.ppm" now="$e2e_dir/now.ppm" round
  for round in 1 2; do
    shot_of HEADLESS-1 "$before" || return 1
    wait_for 60 "a new frame" eval "shot_of HEADLESS-1 '$now' && [ \"\$(differing_pixels '$before' '$now')\" -gt 0 ]"
  done
}
