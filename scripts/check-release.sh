#!/usr/bin/env bash
# The release made with a throwaway self-signed certificate (both a PKCS#12 file and PEM files
# of another one are given: the PKCS#12 one must sign) and a throwaway OpenPGP key: every
# artifact present and in SHA256SUMS; the saver, the installer and the uninstaller the
# installer puts in place (under Wine) carry valid signatures; the signed saver still runs its
# full-screen case; SHA256SUMS.asc and the RPMs carry good signatures of the OpenPGP key, as a
# user checks them (gpg --verify, rpm -K); the RPMs hold XScreenSaver's paths; each package
# holds programs of its own architecture and asks only for what every distribution it is for
# has (packaging/check-dependencies.sh: the names of packaging/portable-depends.txt and
# packaging/fedora-requires.txt, within their minimum versions); no shipped file names the
# end-to-end tests' failure hook.
#   check-release.sh                from a clean clone of this commit (before each release)
#   check-release.sh --test-trees   from the trees scripts/test.sh built (release.sh --test-trees)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/ambervale-release.XXXXXX")
trap 'bash "$root/scripts/wine-env.sh" stop "$work/wine" >/dev/null 2>&1
  for home in "$work/gnupg" "$work/user-gnupg"; do [ -d "$home" ] && GNUPGHOME=$home gpgconf --kill all; done
  rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

certificate() {  # certificate NAME COMMON_NAME
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=$2" -addext extendedKeyUsage=codeSigning \
    -keyout "$work/$1.key" -out "$work/$1.pem" 2>/dev/null
}
certificate pfx "Ambervale throwaway signer" && certificate pem "Ambervale PEM signer" &&
  openssl pkcs12 -export -inkey "$work/pfx.key" -in "$work/pfx.pem" -out "$work/signer.pfx" \
    -passout pass:throwaway || { echo "FAIL: openssl made no certificate"; exit 1; }

# The OpenPGP key, with a passphrase, handed over as a key file; users hold only its public half.
mkdir -m 700 "$work/gnupg" "$work/user-gnupg"
printf 'throwaway' >"$work/gpg-passphrase"
keyring() { GNUPGHOME="$work/$1" gpg --batch --pinentry-mode loopback --passphrase-file "$work/gpg-passphrase" "${@:2}"; }
{ keyring gnupg --quick-gen-key "Ambervale throwaway release key <release@ambervale.invalid>" rsa2048 sign 2d &&
  keyring gnupg --armor --export-secret-keys >"$work/gpg-secret.asc" &&
  keyring gnupg --armor --export >"$work/gpg-public.asc"; } 2>"$work/gpg.log" ||
  { cat "$work/gpg.log"; echo "FAIL: gpg made no key"; exit 1; }
GNUPGHOME="$work/gnupg" gpgconf --kill gpg-agent

if [ "${1:-}" = --test-trees ]; then
  release=(bash "$root/scripts/release.sh" --test-trees) source=$root dist=$root/build/dist windows=$root/build/windows
else
  git clone -q "$root" "$work/clone" && git -C "$work/clone" checkout -q "$(git -C "$root" rev-parse HEAD)" ||
    { echo "FAIL: no clone"; exit 1; }
  # The Windows build's libjpeg, as the bootstrap made it for this machine.
  [ -d "$root/.deps" ] && ln -s "$root/.deps" "$work/clone/.deps"
  release=(bash scripts/release.sh) source=$work/clone dist=$work/clone/dist windows=$work/clone/build/release/windows
fi
(cd "$source" && AMBERVALE_SIGN_PFX="$work/signer.pfx" AMBERVALE_SIGN_PASSWORD=throwaway \
  AMBERVALE_SIGN_CERT="$work/pem.pem" AMBERVALE_SIGN_KEY="$work/pem.key" \
  AMBERVALE_GPG_KEY="$work/gpg-secret.asc" AMBERVALE_GPG_PASSPHRASE_FILE="$work/gpg-passphrase" "${release[@]}") \
  >"$work/release.log" 2>&1 || { tail -n 40 "$work/release.log"; echo "FAIL: release.sh"; exit 1; }
version=$(sed -n 's/^project(Ambervale VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
setup=Ambervale-$version-setup.exe
expected=("$setup" "Ambervale-$version-win64.zip" "ambervale_${version}_amd64.deb"
  "ambervale_${version}_arm64.deb" "ambervale-$version-1.x86_64.rpm" "ambervale-$version-1.aarch64.rpm")
for name in "${expected[@]}"; do
  [ -f "$dist/$name" ] || fail "dist/ lacks $name"
  grep -q " $name\$" "$dist/SHA256SUMS" 2>/dev/null || fail "SHA256SUMS lacks $name"
done
(cd "$dist" && sha256sum --quiet -c SHA256SUMS) || fail "sha256sum -c SHA256SUMS"
# As a user checks them: with the public key published beside the files, once it is the key
# that signed.
published=$dist/ambervale-signing-key.asc
fingerprints() { GNUPGHOME="$work/user-gnupg" gpg --batch --show-keys --with-colons "$1" 2>/dev/null | grep '^fpr'; }
cmp -s <(fingerprints "$published") <(fingerprints "$work/gpg-public.asc") ||
  fail "dist/ lacks the signing key's public half (ambervale-signing-key.asc)"
GNUPGHOME="$work/user-gnupg" gpg --batch --import "$published" 2>/dev/null
GNUPGHOME="$work/user-gnupg" gpg --batch --verify "$dist/SHA256SUMS.asc" "$dist/SHA256SUMS" 2>"$work/verify.log" ||
  fail "gpg --verify SHA256SUMS.asc: $(cat "$work/verify.log")"
# rpm -K as a Fedora user runs it, with the public key in an rpm database of its own.
rpm --dbpath "$work/rpmdb" --initdb && rpmkeys --dbpath "$work/rpmdb" --import "$published" ||
  fail "rpmkeys cannot import the public key"
for rpm in "$dist"/*.rpm; do
  verdict=$(rpmkeys --dbpath "$work/rpmdb" -K "$rpm" 2>&1)
  grep -q 'digests signatures OK$' <<<"$verdict" || fail "rpm -K: $verdict"
done

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
# The test trees hold the driver already; building it there would link their saver again unsigned.
[ -f "$windows/tests/e2e/ambervale_e2e_driver.exe" ] ||
  cmake --build "$windows" --target ambervale_e2e_driver >/dev/null || fail "no e2e driver"
bash "$root/tests/e2e/run_case.sh" "$work/wine" "$windows/tests/e2e/ambervale_e2e_driver.exe" \
  "$work/zip/Ambervale.scr" full_screen_esc_restores_desktop || fail "the signed saver fails its full-screen case"

for rpm in "$dist"/*.rpm; do
  listing=$(rpm -qlp "$rpm" 2>/dev/null)
  for path in /usr/libexec/xscreensaver/ambervale /usr/share/xscreensaver/config/ambervale.xml \
              /usr/share/applications/screensavers/ambervale.desktop; do
    grep -qx "$path" <<<"$listing" || fail "$(basename "$rpm") lacks $path"
  done
done
bash "$root/packaging/check-dependencies.sh" "$dist"/*.deb "$dist"/*.rpm ||
  fail "a package asks for what not every distribution it is for has"
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
# Nothing of the tests ships: the end-to-end tests' failure hook is in their own builds only.
hooked=$(grep -rl AMBERVALE_FAIL_AT_EDGE "$work/unpacked" "$work/zip")
[ -z "$hooked" ] || fail "shipped files hold the tests' failure hook: $hooked"

[ $failures -eq 0 ] && echo "release: $(ls "$dist" | wc -l) files in dist/, signed by the PKCS#12 certificate and the OpenPGP key, checksums, packages and the signed saver's run ok"
exit $((failures > 0))
