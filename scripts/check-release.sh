#!/usr/bin/env bash
# The release made from a clean clone of this commit with a throwaway self-signed certificate
# (both a PKCS#12 file and PEM files of another one are given: the PKCS#12 one must sign):
# every artifact present and in SHA256SUMS; the saver, the installer and the uninstaller the
# installer puts in place (under Wine) carry valid signatures; the signed saver still runs its
# full-screen case; the RPMs hold XScreenSaver's paths and ask for libraries; each package
# holds programs of its own architecture.
#   check-release.sh
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/ambervale-release.XXXXXX")
trap 'bash "$root/scripts/wine-env.sh" stop "$work/wine" >/dev/null 2>&1; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

certificate() {  # certificate NAME COMMON_NAME
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=$2" -addext extendedKeyUsage=codeSigning \
    -keyout "$work/$1.key" -out "$work/$1.pem" 2>/dev/null
}
certificate pfx "Ambervale throwaway signer" && certificate pem "Ambervale PEM signer" &&
  openssl pkcs12 -export -inkey "$work/pfx.key" -in "$work/pfx.pem" -out "$work/signer.pfx" \
    -passout pass:throwaway || { echo "FAIL: openssl made no certificate"; exit 1; }

git clone -q "$root" "$work/clone" && git -C "$work/clone" checkout -q "$(git -C "$root" rev-parse HEAD)" ||
  { echo "FAIL: no clone"; exit 1; }
# The Windows build's libjpeg, as the bootstrap made it for this machine.
[ -d "$root/.deps" ] && ln -s "$root/.deps" "$work/clone/.deps"
(cd "$work/clone" && AMBERVALE_SIGN_PFX="$work/signer.pfx" AMBERVALE_SIGN_PASSWORD=throwaway \
  AMBERVALE_SIGN_CERT="$work/pem.pem" AMBERVALE_SIGN_KEY="$work/pem.key" bash scripts/release.sh) \
  >"$work/release.log" 2>&1 || { tail -n 40 "$work/release.log"; echo "FAIL: release.sh"; exit 1; }
dist=$work/clone/dist
version=$(sed -n 's/^project(Ambervale VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
setup=Ambervale-$version-setup.exe
expected=("$setup" "Ambervale-$version-win64.zip" "ambervale_${version}_amd64.deb"
  "ambervale_${version}_arm64.deb" "ambervale-$version-1.x86_64.rpm" "ambervale-$version-1.aarch64.rpm")
for name in "${expected[@]}"; do
  [ -f "$dist/$name" ] || fail "dist/ lacks $name"
  grep -q " $name\$" "$dist/SHA256SUMS" 2>/dev/null || fail "SHA256SUMS lacks $name"
done
(cd "$dist" && sha256sum --quiet -c SHA256SUMS) || fail "sha256sum -c SHA256SUMS"

signed_by_pfx() {  # signed_by_pfx FILE
  local report
  report=$(osslsigncode verify -CAfile "$work/pfx.pem" -in "$1" 2>&1) || { fail "$(basename "$1"): $report"; return; }
  grep -q "CN=Ambervale throwaway signer" <<<"$report" || fail "$(basename "$1") is not signed by the PKCS#12 certificate"
}
7z x -o"$work/zip" "$dist/Ambervale-$version-win64.zip" >/dev/null || fail "7z cannot unpack the zip"
signed_by_pfx "$work/zip/Ambervale.scr"
signed_by_pfx "$dist/$setup"
7z x -o"$work/setup" "$dist/$setup" '$SYSDIR/Ambervale.scr' >/dev/null || fail "7z"
cmp -s "$work/setup/\$SYSDIR/Ambervale.scr" "$work/zip/Ambervale.scr" || fail "the installer and the zip carry different savers"

bash "$root/scripts/wine-env.sh" start "$work/wine" >/dev/null || { echo "FAIL: no Wine environment"; exit 1; }
(
  . "$work/wine/env"
  timeout 120 "$WINE" "$dist/$setup" /S >/dev/null 2>&1
  timeout 90 wineserver -w
)
signed_by_pfx "$work/wine/prefix/drive_c/Program Files/Ambervale/uninstall.exe"
signed_by_pfx "$work/wine/prefix/drive_c/windows/system32/Ambervale.scr"
cmake --build "$work/clone/build/release/windows" --target ambervale_e2e_driver >/dev/null || fail "no e2e driver"
bash "$root/tests/e2e/run_case.sh" "$work/wine" "$work/clone/build/release/windows/tests/e2e/ambervale_e2e_driver.exe" \
  "$work/zip/Ambervale.scr" full_screen_esc_restores_desktop || fail "the signed saver fails its full-screen case"

for rpm in "$dist"/*.rpm; do
  listing=$(rpm -qlp "$rpm" 2>/dev/null)
  for path in /usr/libexec/xscreensaver/ambervale /usr/share/xscreensaver/config/ambervale.xml \
              /usr/share/applications/screensavers/ambervale.desktop; do
    grep -qx "$path" <<<"$listing" || fail "$(basename "$rpm") lacks $path"
  done
  requires=$(rpm -qp --requires "$rpm" 2>/dev/null)
  grep -q '^libjpeg\.so\.62()' <<<"$requires" || fail "$(basename "$rpm") does not ask for libjpeg.so.62: $requires"
  grep -Eq '^lib[a-z0-9+-]+[0-9]( |$)|turbo' <<<"$requires" && fail "$(basename "$rpm") asks for a Debian package: $requires"
done
# Every ELF program of a package is built for the package's processor.
for package in "$dist"/*.deb "$dist"/*.rpm; do
  case $package in *arm64.deb | *aarch64.rpm) machine=aarch64 ;; *) machine=x86-64 ;; esac
  unpacked=$work/unpacked/$(basename "$package")
  mkdir -p "$unpacked"
  case $package in
    *.deb) dpkg-deb -x "$package" "$unpacked" ;;
    *.rpm) (cd "$unpacked" && rpm2cpio "$package" | cpio -idm --quiet) ;;
  esac
  programs=$(find "$unpacked" -type f -exec file {} + | grep ': *ELF')
  [ -n "$programs" ] || fail "$(basename "$package") holds no program"
  grep -v "$machine" <<<"$programs" && fail "$(basename "$package") holds programs not for $machine"
done

[ $failures -eq 0 ] && echo "release: $(ls "$dist" | wc -l) files in dist/, signed by the PKCS#12 certificate, checksums, packages and the signed saver's run ok"
exit $((failures > 0))
