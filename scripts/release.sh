#!/usr/bin/env bash
# Makes every artifact of a release from the committed tree, into dist/:
#   Ambervale-<version>-setup.exe      the Windows installer
#   Ambervale-<version>-win64.zip      Ambervale.scr, LICENSE.txt, THIRD_PARTY_NOTICES.txt
#   ambervale_<version>_{amd64,arm64}.deb, ambervale-<version>-1.{x86_64,aarch64}.rpm
#   SHA256SUMS, and SHA256SUMS.asc when signed with OpenPGP
# Signing (Authenticode, by scripts/sign.sh): given a certificate, the saver, the installer's
# uninstaller and the installer are signed; without one everything is built unsigned.
#   AMBERVALE_SIGN_PFX, AMBERVALE_SIGN_PASSWORD   a PKCS#12 file and its password; or
#   AMBERVALE_SIGN_CERT, AMBERVALE_SIGN_KEY       PEM certificate (chain) and key files
#                                                 (AMBERVALE_SIGN_PASSWORD if the key has one)
#   AMBERVALE_SIGN_TIMESTAMP_URL                  an RFC 3161 timestamp server (optional)
# Signing (OpenPGP, for the Linux downloads): given a key, the RPMs carry its signature
# (rpmsign) and SHA256SUMS.asc is its detached signature of SHA256SUMS.
#   AMBERVALE_GPG_KEY              a key id of the keyring in GNUPGHOME, or a file of the secret key
#   AMBERVALE_GPG_PASSPHRASE_FILE  a file holding the key's passphrase, if it has one; or
#   AMBERVALE_GPG_PASSPHRASE       the passphrase itself (it reaches gpg through a private file)
# Unsigned, two runs from one commit give the same bytes in any folder: times come from the
# commit (SOURCE_DATE_EPOCH) and no build folder reaches what is built.
# The build trees are build/release/{windows,native,arm64}, made afresh.
#   release.sh --test-trees   packages build/windows, build/native and build/arm64 as the test
#                             command built them, into build/dist, changes or not: a check of
#                             the release's steps (scripts/check-release.sh), never for publishing
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
jobs=${AMBERVALE_JOBS:-$(nproc)}
say() { echo "release: $*"; }
die() { echo "release: $*" >&2; exit 1; }

test_trees=false
case ${1:-} in
  --test-trees) test_trees=true ;;
  '') ;;
  *) echo "usage: release.sh [--test-trees]" >&2; exit 2 ;;
esac
declare -A tree
if $test_trees; then
  tree=([windows]=build/windows [native]=build/native [arm64]=build/arm64)
  dist=build/dist
  for t in "${tree[@]}"; do
    [ -f "$t/build.ninja" ] || die "--test-trees: no build in $t (scripts/test.sh makes it)"
  done
  say "packages of the test command's trees, into $dist: a check, not for publishing"
else
  tree=([windows]=build/release/windows [native]=build/release/native [arm64]=build/release/arm64)
  dist=dist
  [ -z "$(git status --porcelain)" ] || die "the tree has changes not committed; a release is made from a commit:
$(git status --short | head -n 20)"
fi

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

# OpenPGP: the key is found before anything is built, so that a wrong one fails at once.
work=$(mktemp -d "${TMPDIR:-/tmp}/ambervale-release.XXXXXX")
windows_sign_before=''
cleanup() {
  [ -d "$work/gnupg" ] && GNUPGHOME="$work/gnupg" gpgconf --kill gpg-agent 2>/dev/null
  rm -rf "$work"
  # The test command's Windows tree goes back to its own signing setting.
  [ -z "$windows_sign_before" ] ||
    cmake -S . -B "${tree[windows]}" -DAMBERVALE_SIGN="$windows_sign_before" >/dev/null 2>&1 || true
}
trap cleanup EXIT
gpg_signer=''
gpg_options=(--batch --pinentry-mode loopback)
if [ -n "${AMBERVALE_GPG_KEY:-}" ]; then
  # The passphrase reaches gpg only through a file of this run's, never its command line.
  (umask 077 && : >"$work/passphrase")
  if [ -n "${AMBERVALE_GPG_PASSPHRASE_FILE:-}" ]; then
    cat -- "$AMBERVALE_GPG_PASSPHRASE_FILE" >"$work/passphrase" || die "cannot read AMBERVALE_GPG_PASSPHRASE_FILE"
  elif [ -n "${AMBERVALE_GPG_PASSPHRASE:-}" ]; then
    printf '%s' "$AMBERVALE_GPG_PASSPHRASE" >"$work/passphrase"
  fi
  [ -s "$work/passphrase" ] && gpg_options+=(--passphrase-file "$work/passphrase")
  if [ -f "$AMBERVALE_GPG_KEY" ]; then
    # A key file is imported into a keyring of this run's only.
    export GNUPGHOME=$work/gnupg
    mkdir -m 700 "$GNUPGHOME"
    gpg "${gpg_options[@]}" --import "$AMBERVALE_GPG_KEY" 2>"$work/gpg.log" ||
      { cat "$work/gpg.log" >&2; die "gpg cannot import the key file $AMBERVALE_GPG_KEY"; }
    gpg_signer=$(gpg --batch --with-colons --list-secret-keys | awk -F: '$1 == "fpr" { print $10; exit }')
    [ -n "$gpg_signer" ] || die "the key file $AMBERVALE_GPG_KEY holds no secret key"
  else
    gpg_signer=$AMBERVALE_GPG_KEY
    gpg --batch --list-secret-keys -- "$gpg_signer" >/dev/null 2>&1 ||
      die "no secret key $gpg_signer in the keyring (${GNUPGHOME:-~/.gnupg})"
  fi
  say "signing SHA256SUMS and the RPMs with the OpenPGP key $gpg_signer"
else
  say "no OpenPGP key given (AMBERVALE_GPG_KEY): SHA256SUMS and the RPMs are UNSIGNED"
fi

bash scripts/bootstrap.sh --arm64 >/dev/null
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export SOURCE_DATE_EPOCH TZ=UTC LC_ALL=C
umask 022
say "commit $(git rev-parse --short HEAD), times from $(date -u -d "@$SOURCE_DATE_EPOCH" '+%F %T') UTC"

if $test_trees; then
  # Only the Windows tree's signing changes: the saver is linked and signed again, no more.
  windows_sign_before=$(sed -n 's/^AMBERVALE_SIGN:BOOL=//p' "${tree[windows]}/CMakeCache.txt")
  windows_sign_before=${windows_sign_before:-OFF}
  cmake -S . -B "${tree[windows]}" -DAMBERVALE_SIGN=$sign >/dev/null
  # Linked again, so that this run's certificate signs it, whatever an earlier release left.
  rm -f "${tree[windows]}/Ambervale.scr"
else
  configure() {  # configure TREE [cmake options...]
    local dir=$1; shift
    rm -rf "$dir"
    cmake -S . -B "$dir" -G Ninja -Wno-dev --no-warn-unused-cli "$@" >/dev/null
  }
  configure "${tree[windows]}" -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DAMBERVALE_SIGN=$sign
  configure "${tree[native]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo
  configure "${tree[arm64]}" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake
fi
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "${tree[native]}/CMakeCache.txt")

rm -rf "$dist"
mkdir -p "$dist"
say "Windows: the saver, its zip and the installer"
cmake --build "${tree[windows]}" -j "$jobs" --target installer saver_zip
cp "${tree[windows]}/Ambervale-$version-setup.exe" "${tree[windows]}/Ambervale-$version-win64.zip" "$dist/"

# The files the install rules take from a build tree, which the build makes (the rest of the
# install rules' files are sources): every program of the build, without the tests.
installed_outputs() {  # installed_outputs TREE
  local dir=$root/$1
  comm -12 <(find "$dir" -name cmake_install.cmake -exec grep -ho "\"$dir/[^\"]*\"" {} + |
               tr -d '"' | sed "s|^$dir/||" | sort -u) \
           <(ninja -C "$dir" -t targets all | sed 's/: [^:]*$//' | sort -u)
}
# The packages hold what the install rules put in place.
for arch in native arm64; do
  dir=${tree[$arch]}
  say "Linux ($arch): the programs and their packages"
  mapfile -t outputs < <(installed_outputs "$dir")
  ninja -C "$dir" -j "$jobs" "${outputs[@]}"
  rm -rf "$dir/packages"
  (cd "$dir" && cpack -G 'DEB;RPM' -B "$root/$dir/packages" >cpack.log 2>&1) ||
    { cat "$dir/cpack.log"; die "cpack failed in $dir"; }
  cp "$dir/packages"/*.deb "$dir/packages"/*.rpm "$dist/"
done

if [ -n "$gpg_signer" ]; then
  rpmsign --addsign --define "__gpg $(command -v gpg)" --define "_gpg_name $gpg_signer" \
    --define "_gpg_sign_cmd_extra_args ${gpg_options[*]}" "$dist"/*.rpm >"$work/rpmsign.log" 2>&1 ||
    { cat "$work/rpmsign.log" >&2; die "rpmsign could not sign the RPMs"; }
fi

# What is about to be published passes the packages' linters and carries the same programs on
# both architectures.
for deb in "$dist"/*.deb; do
  lintian --fail-on error,warning "$deb" || die "lintian rejects $deb"
done
# An unsigned RPM is let off its missing signature. A signed one is let off only the key
# rpmlint cannot find in this machine's rpm database: check-release.sh checks the signature
# with the public key (rpm -K).
rpmlint_configs=(-c packaging/rpmlint.toml)
if [ -z "$gpg_signer" ]; then
  echo 'addFilter("no-signature")' >"$work/rpmlintrc"
else
  echo 'addFilter("unknown-key")' >"$work/rpmlintrc"
fi
rpmlint_configs+=(-r "$work/rpmlintrc")
for rpm in "$dist"/*.rpm; do
  report=$(rpmlint "${rpmlint_configs[@]}" "$rpm" 2>&1) || { echo "$report"; die "rpmlint finds errors in $rpm"; }
  echo "$(basename "$rpm"): $(tail -n 1 <<<"$report")"
done
paths() { dpkg-deb -c "$1" | awk '{ print $6 }' | sort; }
diff <(paths "$dist/ambervale_${version}_amd64.deb") <(paths "$dist/ambervale_${version}_arm64.deb") ||
  die "the arm64 package does not carry what the amd64 one does"

(cd "$dist" && sha256sum -- * >SHA256SUMS)
if [ -n "$gpg_signer" ]; then
  gpg "${gpg_options[@]}" --local-user "$gpg_signer" --armor --detach-sign \
    --output "$dist/SHA256SUMS.asc" "$dist/SHA256SUMS" 2>"$work/gpg.log" ||
    { cat "$work/gpg.log" >&2; die "gpg could not sign SHA256SUMS"; }
  # The public key goes beside the files it checks; users compare its fingerprint with the one
  # the release announces before trusting it.
  gpg --batch --armor --export "$gpg_signer" >"$dist/ambervale-signing-key.asc" && [ -s "$dist/ambervale-signing-key.asc" ] ||
    die "gpg could not export the public key of $gpg_signer"
  say "OpenPGP key fingerprint (announce it with the release): $(gpg --batch --with-colons --fingerprint "$gpg_signer" | awk -F: '$1 == "fpr" { print $10; exit }')"
fi
say "$dist/ (Windows $([ $sign = ON ] && echo signed || echo UNSIGNED)," \
  "Linux $([ -n "$gpg_signer" ] && echo signed || echo UNSIGNED)):"
(cd "$dist" && ls -l --time-style=+ -- * | awk '{ printf "  %10d  %s\n", $5, $6 }')
