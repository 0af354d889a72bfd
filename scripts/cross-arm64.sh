#!/usr/bin/env bash
# The arm64 Linux build (Raspberry Pi 4/5 and other 64-bit ARM machines), cross-compiled with
# Debian's g++-aarch64-linux-gnu into build/arm64 and tested under qemu-aarch64:
#   - builds the engine, the tools and the X11 hack (and the Wayland program, where its arm64
#     library is installed);
#   - runs the unit tests, the package check, the layout tool's checks and the hack's
#     end-to-end check on a private Xvfb screen under qemu;
#   - checks the layout tool's layouts under qemu against the one reference of every build
#     (tools/layout/sweep_test.sh) over the sweep of tools/layout/sweep_cases.sh: every
#     algorithm at every Size, on every AMBERVALE_SWEEP_EVERY-th screen of each pair (default
#     10; 1 for all 320 screens), the cases shared out among one emulator per core;
#   - makes build/arm64/ambervale_<version>_arm64.deb, unless --no-package: then the release
#     check packages this tree (scripts/test.sh).
# Exits non-zero when a build or check fails.
#   cross-arm64.sh [--no-package]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
package=true
case ${1:-} in
  --no-package) package=false ;;
  '') ;;
  *) echo "usage: cross-arm64.sh [--no-package]" >&2; exit 2 ;;
esac
every=${AMBERVALE_SWEEP_EVERY:-10}
jobs=${AMBERVALE_JOBS:-$(nproc)}
# Each part says how long it took: the emulator makes every second count.
part_began=$SECONDS
took() { echo "   ($((SECONDS - part_began)) s)"; part_began=$SECONDS; }

bash scripts/bootstrap.sh --arm64

build=build/arm64
cmake -S . -B "$build" -G Ninja -Wno-dev --no-warn-unused-cli -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake >/dev/null
cmake --build "$build" -j "$jobs"

echo "== arm64: built"
took

status=0
echo "== arm64: unit tests and the package under qemu-aarch64"
# The layout property test's thousands of layouts take the emulator many minutes: the sweep
# below checks more of them, and more strictly (the very cells of x86-64).
(cd "$build" && GTEST_FILTER='-LayoutPropertyTest.*' ctest --output-on-failure --timeout 900 -R 'unit_tests|debian_package') ||
  status=1
took

# The checks run programs by path: a wrapper of the same name hands each to the emulator.
emulated() {  # emulated PROGRAM: prints the wrapper's path
  local wrapper="$root/$build/qemu/$(basename "$1")"
  mkdir -p "$root/$build/qemu"
  printf '#!/bin/sh\nexec qemu-aarch64 "%s" "$@"\n' "$root/$1" >"$wrapper"
  chmod +x "$wrapper"
  echo "$wrapper"
}
tool=$(emulated "$build/tools/layout/ambervale-layout")
echo "== arm64: layout tool checks under qemu-aarch64"
bash tools/layout/layout_tool_test.sh "$tool" || status=1
took
echo "== arm64: the hack on a private Xvfb screen under qemu-aarch64"
bash src/x11/e2e/standalone.sh "$(emulated "$build/ambervale")" || [ $? -eq 77 ] || status=1  # 77: no Xvfb
took

echo "== arm64: layouts under qemu-aarch64 against the reference every build must give"
# On a mismatch the layouts stay in $build/sweep, to compare with the native tool's.
AMBERVALE_SWEEP_DIR="$build/sweep" bash tools/layout/sweep_test.sh --jobs "$jobs" --every "$every" "$tool" ||
  status=1
rm -f "$build/sweep/layouts"  # large
took

if $package; then
  echo "== arm64: Debian package"
  cmake --build "$build" --target deb >/dev/null
  deb=$(ls "$build"/ambervale_*_arm64.deb)
  dpkg-deb -f "$deb" Architecture Depends
fi
exit $status
