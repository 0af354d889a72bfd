#!/usr/bin/env bash
# Makes docs/leaves-on-gnome-shell.png and docs/leaves-on-kwin.png: real runs of
# build/native/ambervale-wayland under the real GNOME Shell (over a wallpaper set with gsettings)
# and under KWin (over the live desktop, a grey test window on it), taken by the end-to-end tests
# 25 s after the leaves start. Prints each run's time from start to the desktop picture and to
# the first frame. Needs root, as those tests do.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/native"
[ -x "$build/ambervale-wayland" ] || { echo "build first: cmake --build build/native" >&2; exit 1; }
export AMBERVALE_SHOT_DIR="$root/docs"
for test in gnome_shell kwin; do
  bash "$root/src/wayland/e2e/$test.sh" "$build/ambervale-wayland" "$build/src/wayland/wayland_e2e_client" \
    "$build/src/wayland/gnome_input"
done
