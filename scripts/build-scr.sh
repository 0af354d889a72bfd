# Sourced by the run and gallery scripts: sets $scr to a built Ambervale.scr.
# AMBERVALE_SCR names an already built saver; otherwise the Windows build (AMBERVALE_BUILD,
# default build/windows) makes one, after the bootstrap has installed what it needs.
scr=${AMBERVALE_SCR:-}
if [ -z "$scr" ]; then
  build=${AMBERVALE_BUILD:-build/windows}
  bash scripts/bootstrap.sh
  if [ ! -f "$build/build.ninja" ]; then
    cmake -S . -B "$build" -G Ninja -Wno-dev -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null
  fi
  cmake --build "$build" --target Ambervale -j "${AMBERVALE_JOBS:-2}"
  scr=$PWD/$build/Ambervale.scr
fi
[ -f "$scr" ] || { echo "$scr was not built" >&2; exit 1; }
