#!/usr/bin/env bash
# ambervale-settings on a private Xvfb screen, driven from the keyboard as a user would: the
# preview shows leaves and starts afresh when the layout changes; the values set with the
# access keys are saved, the file's comments and other lines kept; Try runs the X11 saver full
# screen and a key ends it; a file with bad lines opens, names them and keeps them on Save; a
# failure in a handler is shown, and nothing is saved after it.
# Usage: x11.sh PROGRAM SAVER FAILING (the program's build for the failing edges)
program=$1 saver=$2 failing=$3
set -euo pipefail
source "$(dirname "$0")/../../linux/e2e/lib.sh"
export NO_AT_BRIDGE=1 XDG_CONFIG_HOME="$e2e_dir/config"
conf="$XDG_CONFIG_HOME/ambervale/ambervale.conf"
start_xvfb 1024x768
mkdir -p "$(dirname "$conf")"
printf '# kept: a comment\nsize = 14\nfuture-setting = 7\nrandom = false\nalgorithm = 1\n' >"$conf"

# start_settings [PROGRAM]: the window, focused; sets settings_pid and window.
start_settings() {
  "${1:-$program}" 2>"$e2e_dir/settings.err" &
  settings_pid=$!
  e2e_pids+=($settings_pid)
  wait_for 60 "the settings window" eval 'window=$(xdotool search --name "^Ambervale Screensaver Settings$" | head -n1); [ -n "$window" ]'
  wait_for 60 "the settings window focused" xdotool windowfocus --sync "$window" 2>/dev/null
}
keys() { xdotool key --delay 50 "$@"; }

start_settings
# The preview is the one area of the saver's plain background; its place, once all plain.
preview_found() {
  shot "$e2e_dir/s.png"
  preview=$(convert "$e2e_dir/s.png" -fill black +opaque '#1E2830' -fill white -opaque '#1E2830' -format '%@' info:)
  [[ $preview =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] && [ "${BASH_REMATCH[1]}" -ge 300 ]
}
wait_for 60 "the preview" preview_found
read -r pw ph px py < <(tr 'x+' '  ' <<<"$preview")
# region_has_leaves WxH+X+Y (inside the preview): more than a few colours there.
region_has_leaves() { [ "$(colours "$e2e_dir/s.png" "$1")" -gt 8 ]; }
region_plain() { [ "$(colours "$e2e_dir/s.png" "$1")" -eq 1 ]; }
corner="40x12+$px+$py" centre="40x40+$((px + pw / 2 - 20))+$((py + ph / 2 - 20))"

# The plain grid fills from the top-left corner; the rings start in the centre, and a new
# layout starts a new cycle, so the corner is plain again.
wait_for 60 "leaves in the preview's corner" eval 'shot "$e2e_dir/s.png"; region_has_leaves "$corner"'
keys Down Down
wait_for 60 "the rings' leaves in the centre, the corner cleared" \
  eval 'shot "$e2e_dir/s.png"; region_has_leaves "$centre" && region_plain "$corner"'

# Size 14 -> 17, Random on, Fast 33 -> 30, then Save.
keys alt+s Right Right Right alt+r alt+f Left Left Left alt+v
wait_for 60 "the saved file" grep -qx 'size = 17' "$conf"
expected='# kept: a comment
size = 17
future-setting = 7
random = true
algorithm = 3
transparent = 8
fast = 30'
[ "$(cat "$conf")" = "$expected" ] || fail "saved file: $(cat "$conf")"
[ -z "$(find "$(dirname "$conf")" -name '*.conf.*')" ] || fail "a temporary file is left"

# Try: the saver full screen with the values shown; a key ends it, and the window stays.
keys alt+t
try_pid() { pgrep -P "$settings_pid" -f -- "--fullscreen --size=17 --algorithm=3 --transparent=8 --fast=30 --random" ; }
wait_for 60 "the saver started by Try" try_pid
saver_pid=$(try_pid)
full_screen() { shot "$e2e_dir/s.png"; [ "$(colours "$e2e_dir/s.png" 1024x768+0+0)" -gt 20 ] && ! preview_found; }
wait_for 60 "leaves full screen" full_screen
xdotool key space
wait_for 60 "the saver ended by a key" eval '! kill -0 "$saver_pid" 2>/dev/null'
kill -0 "$settings_pid" || fail "the settings window ended with the saver"
keys Escape
wait "$settings_pid" || fail "exit status $? after Esc"

# Bad lines: named on stderr and at the top of the window, kept by Save.
printf 'size = huge\nthis is no setting\nalgorithm = 2\n' >"$conf"
start_settings
wait_for 60 "the bad lines named" grep -q ':1: .huge.*:2: expected' <(tr '\n' ' ' <"$e2e_dir/settings.err")
keys alt+s Left alt+v
wait_for 60 "the saved file" grep -qx 'size = 11' "$conf"
[ "$(head -n3 "$conf")" = "$(printf 'size = huge\nthis is no setting\nalgorithm = 2')" ] || fail "bad lines lost: $(cat "$conf")"
keys Escape
wait "$settings_pid" || fail "exit status $? after Esc"

# A failure in the preview's timer is shown; the window stays, Save writes nothing, and Esc
# (handled after the keys before it) ends it with status 1.
saved=$(cat "$conf")
AMBERVALE_FAIL_AT_EDGE=glib-source start_settings "$failing"
wait_for 60 "the timer's failure named" grep -q 'forced in a glib-source callback' "$e2e_dir/settings.err"
keys alt+s Left alt+v Escape
status=0
wait "$settings_pid" || status=$?
[ $status -eq 1 ] && [ "$(cat "$conf")" = "$saved" ] || fail "after a failing timer: status $status, $(cat "$conf")"
# One in GTK's signals, from the first (the start-up, with no window yet): named, status 1.
status=0
AMBERVALE_FAIL_AT_EDGE=gtk-signal timeout 60 "$failing" 2>"$e2e_dir/settings.err" || status=$?
[ $status -eq 1 ] && grep -q 'forced in a gtk-signal callback' "$e2e_dir/settings.err" ||
  fail "a failing signal handler: status $status"
echo "settings x11 ok"
