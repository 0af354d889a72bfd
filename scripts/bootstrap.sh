#!/usr/bin/env bash
# Installs everything the two builds and all tests need on a Debian 12 machine, as root.
# Idempotent: a second run only checks and returns within seconds.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
deps="${AMBERVALE_DEPS:-$root/.deps}"

packages=(
  build-essential cmake ninja-build pkg-config git
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libjpeg62-turbo-dev libcairo2-dev
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools
  wine64 wine xvfb xdotool x11-utils imagemagick fonts-liberation
  dpkg-dev nasm nsis p7zip-full
  libx11-dev libxext-dev xscreensaver xscreensaver-data x11-xserver-utils x11-apps file procps
  xserver-xorg-core xserver-xorg-video-dummy
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "bootstrap: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# libjpeg-turbo for the Windows build, from Debian's own source package, built with the
# mingw toolchain into a prefix of the project's own.
jpeg_prefix="$deps/mingw-libjpeg"
if [ ! -f "$jpeg_prefix/lib/libjpeg.a" ]; then
  src_list=/etc/apt/sources.list.d/ambervale-src.sources
  if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
    # Derive deb-src entries from the machine's existing binary sources.
    for f in /etc/apt/sources.list.d/*.sources; do
      [ -f "$f" ] && [ "$f" != "$src_list" ] && sed 's/^Types:.*/Types: deb-src/' "$f"
      echo
    done > "$src_list"
    if [ -f /etc/apt/sources.list ]; then
      sed -n 's/^deb \(.*\)/deb-src \1/p' /etc/apt/sources.list > /etc/apt/sources.list.d/ambervale-src.list
    fi
    apt-get update -q
  fi
  work="$deps/src"
  rm -rf "$work" && mkdir -p "$work"
  (cd "$work" && apt-get source -q libjpeg-turbo >/dev/null)
  srcdir=$(find "$work" -maxdepth 1 -type d -name 'libjpeg-turbo-*' | head -n1)
  cmake -S "$srcdir" -B "$work/build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$jpeg_prefix" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_SIMD=ON \
    -DREQUIRE_SIMD=OFF -Wno-dev >/dev/null
  cmake --build "$work/build" >/dev/null
  cmake --install "$work/build" >/dev/null
  rm -rf "$work"
  echo "bootstrap: built libjpeg-turbo for mingw into $jpeg_prefix"
fi
echo "bootstrap: ready"
