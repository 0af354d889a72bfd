#!/usr/bin/env bash
# Installs what the builds and tests need on a Debian 12 machine, as root.
# Idempotent: a second run only checks and returns within seconds.
#   bootstrap.sh [--linux] [--fuzz] [--arm64] [--builds | --packages | --libjpeg[=NAME,...]]
#     (no flag)  everything scripts/test.sh builds and runs: Linux, Windows (mingw-w64, Wine,
#                NSIS) and the developer tools
#     --linux    only the Linux program, its tests and its Debian package
#     --fuzz     also builds the instrumented libjpeg of the fuzz targets
#     --arm64    also installs the arm64 cross build's compiler, emulator and libraries
#   A part of that alone, so that compiling can begin while the rest goes in (scripts/test.sh):
#     --builds   only the packages the native, Windows, sanitizer and fuzz builds need
#     --packages only the packages, all of them
#     --libjpeg  only the static libjpeg builds: the Linux programs' (native; arm64 with --arm64),
#                the Windows saver's (mingw) and the fuzz targets' (fuzz with --fuzz); they need
#                the --builds packages, the arm64 one the --packages ones. --libjpeg=native,mingw
#                builds only those named
# AMBERVALE_BOOTSTRAPPED=1 (set by scripts/test.sh once its own bootstrap is done) makes every
# later call return at once: the scripts a test run calls take the machine as ready.
set -euo pipefail
[ "${AMBERVALE_BOOTSTRAPPED:-}" = 1 ] && exit 0
linux_only=false fuzz=false arm64=false part=all libjpeg_wanted="native arm64 mingw fuzz"
for flag in "$@"; do
  case $flag in
    --linux) linux_only=true ;;
    --fuzz) fuzz=true ;;
    --arm64) arm64=true ;;
    --builds | --packages | --libjpeg) part=${flag#--} ;;
    --libjpeg=*) part=libjpeg libjpeg_wanted=${flag#--libjpeg=} libjpeg_wanted=${libjpeg_wanted//,/ } ;;
    *) echo "usage: bootstrap.sh [--linux] [--fuzz] [--arm64] [--builds | --packages | --libjpeg[=NAME,...]]" >&2; exit 2 ;;
  esac
done

root=$(cd "$(dirname "$0")/.." && pwd)
deps="${AMBERVALE_DEPS:-$root/.deps}"

# One list per part of the project; a part that needs more appends to its own list. Each part
# has two: what compiling it needs (the compilers, the libraries' headers, the programs its
# CMake configuration looks for and its build runs; a package missing there would leave a
# program or a test out of the build), and what only its tests, packages and tools need.
# The Linux program: its build, unit and end-to-end tests (Xvfb, the XScreenSaver and MATE
# daemons; sway, GNOME's mutter and weston headless), its Debian package, the package's lint and
# the manual page's check (and the build's hardening check: devscripts); the settings window
# (GTK 3) and the checks of its menu entry and AppStream file. The desktop picture on GNOME and
# KDE: GLib's GIO and gdk-pixbuf with the loaders of the formats wallpapers come in, and the real
# GNOME Shell, KWin, gjs and the desktop portal its end-to-end tests run under; the accessibility
# bus and its GObject bindings, through which the settings window is driven. The format check.
# The Debian 13 root that the package is installed and run in (scripts/debian13-root.sh).
linux_build_packages=(
  build-essential cmake ninja-build nasm pkg-config dpkg-dev devscripts clang-format git
  libgtest-dev libgmock-dev libjpeg62-turbo-dev libx11-dev libxext-dev libxrandr-dev
  libwayland-dev libwayland-bin wayland-protocols libsystemd-dev
  libgtk-3-dev desktop-file-utils appstream libglib2.0-dev libgdk-pixbuf-2.0-dev
)
linux_packages=(
  xvfb xdotool x11-utils x11-apps x11-xserver-utils imagemagick file procps
  xscreensaver xscreensaver-data
  mate-screensaver dbus-daemon libglib2.0-bin dconf-gsettings-backend
  lintian groff-base
  sway swaybg grim wtype swayidle mutter weston
  librsvg2-common webp-pixbuf-loader
  gnome-shell kwin-wayland gjs xdg-desktop-portal xdg-desktop-portal-gnome
  debootstrap at-spi2-core gir1.2-atspi-2.0
)
# The Windows saver, its installer and its zip; its tests under Wine.
windows_build_packages=(
  googletest g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools
  nsis p7zip-full zip
)
windows_packages=(wine64 wine fonts-liberation xserver-xorg-core xserver-xorg-video-dummy)
# The release (scripts/release.sh): the RPM packages and their lint, signing (Authenticode;
# OpenPGP for SHA256SUMS and the RPMs).
release_packages=(rpm rpmlint osslsigncode openssl git gnupg)
# The developer tools: the leaf generator, benchmarks, measurements, the fuzz targets.
tool_build_packages=(libbenchmark-dev libcairo2-dev clang libclang-rt-14-dev)
tool_packages=(gnuplot-nox linux-perf xscreensaver-data-extra)

build_packages=("${linux_build_packages[@]}")
$linux_only || build_packages+=("${windows_build_packages[@]}")
{ ! $linux_only || $fuzz; } && build_packages+=("${tool_build_packages[@]}")
packages=("${build_packages[@]}" "${linux_packages[@]}")
$linux_only || packages+=("${windows_packages[@]}" "${release_packages[@]}")
{ ! $linux_only || $fuzz; } && packages+=("${tool_packages[@]}")

# Installs those of the given packages that are missing.
# The parts of a test run call apt side by side (the packages while the libjpeg builds fetch
# their source): apt does not wait for the package lists' lock as it waits for dpkg's, and an
# update beside another apt fails at once, so every apt call of ours takes its turn.
apt_in_turn() { flock /var/lib/apt/ambervale-bootstrap.lock apt-get "$@"; }
install_missing() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -gt 0 ] || return 0
  echo "bootstrap: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt_in_turn update -q -o DPkg::Lock::Timeout=900
  apt_in_turn install -y -q --no-install-recommends -o DPkg::Lock::Timeout=900 "${missing[@]}"
}
# The libjpeg builds take Debian's own source: deb-src entries beside the machine's binary
# sources, derived from them where it has none. Made with the first packages, so that the
# later installs and the libjpeg builds do not update the package lists at the same time.
source_lists() {
  local src_list=/etc/apt/sources.list.d/ambervale-src.sources
  if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
    for f in /etc/apt/sources.list.d/*.sources; do
      [ -f "$f" ] && [ "$f" != "$src_list" ] && sed 's/^Types:.*/Types: deb-src/' "$f"
      echo
    done > "$src_list"
    if [ -f /etc/apt/sources.list ]; then
      sed -n 's/^deb \(.*\)/deb-src \1/p' /etc/apt/sources.list > /etc/apt/sources.list.d/ambervale-src.list
    fi
    apt_in_turn update -q -o DPkg::Lock::Timeout=900
  fi
}
wants_libjpeg() { [[ " $libjpeg_wanted " == *" $1 "* ]]; }

case $part in
  builds)
    source_lists
    install_missing "${build_packages[@]}"
    echo "bootstrap: ready to build"
    exit 0
    ;;
  packages | all) install_missing "${packages[@]}" ;;
esac

# The arm64 build (scripts/cross-arm64.sh): Debian's cross compiler, qemu-user to run what it
# builds, and the arm64 libraries from the multiarch archive. The Wayland program's library is
# taken where the archive has it; without it that program is left out of the arm64 build.
if $arm64 && [ $part != libjpeg ]; then
  dpkg --print-foreign-architectures | grep -qx arm64 || dpkg --add-architecture arm64
  install_missing g++-aarch64-linux-gnu qemu-user libstdc++6:arm64 \
    libjpeg62-turbo-dev:arm64 libx11-dev:arm64 libxext-dev:arm64 libxrandr-dev:arm64
  if [ -d "$root/src/wayland" ]; then
    install_missing libwayland-dev:arm64 libsystemd-dev:arm64 libglib2.0-dev:arm64 libgdk-pixbuf-2.0-dev:arm64 ||
      echo "bootstrap: no arm64 Wayland library: the arm64 build leaves the Wayland program out"
  fi
  # The settings window: the arm64 package carries every program the amd64 one does.
  install_missing libgtk-3-dev:arm64
fi
[ $part = packages ] && { echo "bootstrap: packages ready"; exit 0; }

# Unpacks Debian's own libjpeg-turbo source into $1 and prints the source folder.
libjpeg_source() {
  local work=$1
  source_lists >&2
  rm -rf "$work" && mkdir -p "$work"
  (cd "$work" && apt_in_turn source -q libjpeg-turbo >/dev/null)
  find "$work" -maxdepth 1 -type d -name 'libjpeg-turbo-*' | head -n1
}

# libjpeg-turbo built static into a prefix of the project's own ($deps/NAME), for the Windows
# saver and for the Linux programs of each processor: linked into the programs, it makes the
# Linux packages depend on no libjpeg package, whose name differs between Debian and Ubuntu.
# It names no folder of the machine it was built on: the C compiler maps them away, and nasm,
# which records each source as it is named, is given the sources relative to the build folder.
# The stamp marks a library built so.
#   static_libjpeg NAME [CMAKE_OPTION...]
static_libjpeg() {
  local name=$1 prefix="$deps/$1" work="$deps/src-$1" srcdir
  shift
  [ -f "$prefix/built-without-folders" ] && return 0
  srcdir=$(libjpeg_source "$work")
  cat >"$work/nasm" <<'NASM'
#!/usr/bin/env bash
args=("$@")
args[-1]=$(realpath --relative-to=. "${args[-1]}")
exec nasm "${args[@]}"
NASM
  chmod +x "$work/nasm"
  rm -rf "$prefix"
  cmake -S "$srcdir" -B "$work/build" -G Ninja --no-warn-unused-cli "$@" -DCMAKE_ASM_NASM_COMPILER="$work/nasm" \
    -DCMAKE_C_FLAGS="-ffile-prefix-map=$work/=" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_INSTALL_LIBDIR="$prefix/lib" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_SIMD=ON \
    -DREQUIRE_SIMD=OFF -Wno-dev >/dev/null
  cmake --build "$work/build" >/dev/null
  cmake --install "$work/build" >/dev/null
  rm -rf "$work"
  touch "$prefix/built-without-folders"
  echo "bootstrap: built libjpeg-turbo into $prefix"
}
# The Linux programs are position-independent executables: so is the library linked into them.
if wants_libjpeg native; then
  static_libjpeg "linux-$(uname -m)-libjpeg" -DCMAKE_POSITION_INDEPENDENT_CODE=ON
fi
if wants_libjpeg arm64 && $arm64; then
  static_libjpeg linux-aarch64-libjpeg -DCMAKE_POSITION_INDEPENDENT_CODE=ON \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/aarch64-linux-gnu.cmake"
fi
if wants_libjpeg mingw && ! $linux_only; then
  static_libjpeg mingw-libjpeg -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake"
fi

# libjpeg-turbo for the fuzz targets: clang with the fuzzer's coverage, AddressSanitizer and
# UndefinedBehaviorSanitizer, plain C (no SIMD, which the sanitizers cannot see into). Only the
# static library and its headers are needed.
fuzz_jpeg_prefix="$deps/fuzz-libjpeg"
if wants_libjpeg fuzz && $fuzz && [ ! -f "$fuzz_jpeg_prefix/lib/libjpeg.a" ]; then
  work="$deps/src-fuzz"
  srcdir=$(libjpeg_source "$work")
  flags="-O1 -g -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
  flags+=" -fsanitize-coverage-ignorelist=$root/fuzz/libjpeg_pixel_loops.ignorelist"
  cmake -S "$srcdir" -B "$work/build" -G Ninja -DCMAKE_C_COMPILER=clang \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS_RELEASE="$flags" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF -DWITH_SIMD=OFF -Wno-dev >/dev/null
  cmake --build "$work/build" --target jpeg-static >/dev/null
  mkdir -p "$fuzz_jpeg_prefix/lib" "$fuzz_jpeg_prefix/include"
  cp "$work/build/libjpeg.a" "$fuzz_jpeg_prefix/lib/"
  cp "$srcdir"/{jpeglib.h,jerror.h,jmorecfg.h} "$work/build/jconfig.h" "$fuzz_jpeg_prefix/include/"
  rm -rf "$work"
  echo "bootstrap: built the instrumented libjpeg-turbo of the fuzz targets into $fuzz_jpeg_prefix"
fi
echo "bootstrap: ready"
