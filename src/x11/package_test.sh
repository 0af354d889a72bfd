#!/usr/bin/env bash
# Makes the Debian package from the build tree and checks what it holds: the program and its
# settings file where XScreenSaver looks, the licence with the third-party notices as
# /usr/share/doc/ambervale/copyright, and run-time dependencies on the libraries it links.
# Usage: package_test.sh BUILD_DIR SOURCE_DIR VERSION
set -euo pipefail
build=$1 source=$2 version=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }
# A cross build names its target's architecture; otherwise the package is the build machine's.
arch=$(sed -n 's/^set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
deb="$work/out/ambervale_${version}_${arch:-$(dpkg --print-architecture)}.deb"
[ -f "$deb" ] || { echo "FAIL: no $(basename "$deb") made"; ls "$work/out"; exit 1; }

fail=0
check() { echo "FAIL: $*"; fail=1; }
listing=$(dpkg-deb -c "$deb")
for path in ./usr/libexec/xscreensaver/ambervale ./usr/share/xscreensaver/config/ambervale.xml \
            ./usr/share/doc/ambervale/copyright; do
  grep -q " $path\$" <<<"$listing" || check "the package lacks $path"
done

dpkg-deb -x "$deb" "$work/root"
copyright="$work/root/usr/share/doc/ambervale/copyright"
if [ -f "$copyright" ]; then
  expected="$work/expected"
  { cat "$source/LICENSE"; echo; cat "$source/THIRD_PARTY_NOTICES.txt"; } >"$expected"
  cmp -s "$expected" "$copyright" || check "copyright is not LICENSE followed by THIRD_PARTY_NOTICES.txt"
  grep -q 'Independent JPEG Group' "$copyright" || check "copyright lacks the IJG acknowledgement"
fi

depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libx11-6 libxext6 libjpeg62-turbo libstdc++6; do
  grep -q "$library" <<<"$depends" || check "Depends lacks $library: $depends"
done
grep -q '<command arg="--root"/>' "$work/root/usr/share/xscreensaver/config/ambervale.xml" || check "ambervale.xml lacks --root"

[ $fail -eq 0 ] && echo "package ok: $(basename "$deb"), Depends: $depends"
exit $fail
