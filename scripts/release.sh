#!/usr/bin/env bash
# Makes every artifact of a release from the committed tree, into dist/:
#   Ambervale-<version>-setup.exe      the Windows installer
#   Ambervale-<version>-win64.zip      Ambervale.scr, LICENSE.txt, THIRD_PARTY_NOTICES.txt
#   ambervale_<version>_{amd64,arm64}.deb, ambervale-<version>-1.{x86_64,aarch64}.rpm
#   SHA256SUMS
# Signing (Authenticode, by scripts/sign.sh): given a certificate, the saver, the installer's
# uninstaller and the installer are signed; without one everything is built unsigned.
#   AMBERVALE_SIGN_PFX, AMBERVALE_SIGN_PASSWORD   a PKCS#12 file and its password; or
#   AMBERVALE_SIGN_CERT, AMBERVALE_SIGN_KEY       PEM certificate (chain) and key files
#                                                 (AMBERVALE_SIGN_PASSWORD if the key has one)
#   AMBERVALE_SIGN_TIMESTAMP_URL                  an RFC 3161 timestamp server (optional)
# Unsigned, two runs from one commit give the same bytes in any folder: times come from the
# commit (SOURCE_DATE_EPOCH) and no build folder reaches what is built.
# The build trees are build/release/{windows,native,arm64}, made afresh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=${AMBERVALE_JOBS:-$(nproc)}
say() { echo "release: $*"; }
die() { echo "release: $*" >&2; exit 1; }

[ -z "$(git status --porcelain)" ] || die "the tree has changes not committed; a release is made from a commit:
$(git status --short | head -n 20)"

sign=OFF
if [ -n "${AMBERVALE_SIGN_PFX:-}" ]; then
  [ -f "$AMBERVALE_SIGN_PFX" ] || die "AMBERVALE_SIGN_PFX names no file: $AMBERVALE_SIGN_PFX"
  sign=ON
  say "signing with the PKCS#12 file $AMBERVALE_SIGN_PFX"
elif [ -n "${AMBERVALE_SIGN_CERT:-}${AMBERVALE_SIGN_KEY:-}" ]; then
  [ -f "${AMBERVALE_SIGN_CERT:-}" ] && [ -f "${AMBERVALE_SIGN_KEY:-}" ] ||
    die "AMBERVALE_SIGN_CERT and AMBERVALE_SIGN_KEY must both name files"
  sign=ON
  say "signing with the certificate $AMBERVALE_SIGN_CERT"
else
  say "no certificate given (AMBERVALE_SIGN_PFX, or AMBERVALE_SIGN_CERT and AMBERVALE_SIGN_KEY):" \
    "the Windows programs are built UNSIGNED"
fi
if [ $sign = ON ] && [ -z "${AMBERVALE_SIGN_TIMESTAMP_URL:-}" ]; then
  say "no AMBERVALE_SIGN_TIMESTAMP_URL: the signatures carry no timestamp and lapse with the certificate"
fi

bash scripts/bootstrap.sh --arm64 >/dev/null
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export SOURCE_DATE_EPOCH TZ=UTC LC_ALL=C
umask 022
say "commit $(git rev-parse --short HEAD), times from $(date -u -d "@$SOURCE_DATE_EPOCH" '+%F %T') UTC"

configure() {  # configure TREE [cmake options...]
  local tree=build/release/$1; shift
  rm -rf "$tree"
  cmake -S . -B "$tree" -G Ninja -Wno-dev --no-warn-unused-cli "$@" >/dev/null
}
configure windows -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DAMBERVALE_SIGN=$sign
configure native -DCMAKE_BUILD_TYPE=RelWithDebInfo
configure arm64 -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/release/native/CMakeCache.txt)

rm -rf dist
mkdir -p dist
say "Windows: the saver, its zip and the installer"
cmake --build build/release/windows -j "$jobs" --target installer saver_zip
cp "build/release/windows/Ambervale-$version-setup.exe" "build/release/windows/Ambervale-$version-win64.zip" dist/

# The files the install rules take from a build tree, which the build makes (the rest of the
# install rules' files are sources): every program of the build, without the tests.
installed_outputs() {  # installed_outputs TREE
  local tree=$root/build/release/$1
  comm -12 <(find "$tree" -name cmake_install.cmake -exec grep -ho "\"$tree/[^\"]*\"" {} + |
               tr -d '"' | sed "s|^$tree/||" | sort -u) \
           <(ninja -C "$tree" -t targets all | sed 's/: [^:]*$//' | sort -u)
}
# The packages hold what the install rules put in place.
for tree in native arm64; do
  say "Linux ($tree): the programs and their packages"
  mapfile -t outputs < <(installed_outputs "$tree")
  ninja -C "build/release/$tree" -j "$jobs" "${outputs[@]}"
  (cd "build/release/$tree" && cpack -G 'DEB;RPM' -B "$root/build/release/$tree/packages" >cpack.log 2>&1) ||
    { cat "build/release/$tree/cpack.log"; die "cpack failed in build/release/$tree"; }
  cp "build/release/$tree/packages"/*.deb "build/release/$tree/packages"/*.rpm dist/
done

# What is about to be published passes the packages' linters and carries the same programs on
# both architectures.
for deb in dist/*.deb; do
  lintian --fail-on error,warning "$deb" || die "lintian rejects $deb"
done
for rpm in dist/*.rpm; do
  report=$(rpmlint -c packaging/rpmlint.toml "$rpm" 2>&1) || { echo "$report"; die "rpmlint finds errors in $rpm"; }
  echo "$(basename "$rpm"): $(tail -n 1 <<<"$report")"
done
paths() { dpkg-deb -c "$1" | awk '{ print $6 }' | sort; }
diff <(paths "dist/ambervale_${version}_amd64.deb") <(paths "dist/ambervale_${version}_arm64.deb") ||
  die "the arm64 package does not carry what the amd64 one does"

(cd dist && sha256sum -- * >SHA256SUMS)
say "dist/ ($([ $sign = ON ] && echo signed || echo unsigned)):"
(cd dist && ls -l --time-style=+ -- * | awk '{ printf "  %10d  %s\n", $5, $6 }')
