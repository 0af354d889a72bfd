#!/usr/bin/env bash
# Two unsigned releases of this commit, from clones in two folders of different names, must
# give byte-identical dist/ folders. Where they differ, the differing files are named, and for
# a package the files inside it that differ. Takes two full releases' time.
#   check-reproducible.sh [DIST]
#     DIST: an unsigned dist/ already made from this commit, compared with one more release
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/ambervale-reproducible.XXXXXX")
trap 'rm -rf "$work"' EXIT
commit=$(git -C "$root" rev-parse HEAD)

release_in() {  # release_in FOLDER: an unsigned release from a fresh clone in FOLDER
  git clone -q "$root" "$1" && git -C "$1" checkout -q "$commit" || exit 1
  (cd "$1" && env -u AMBERVALE_SIGN_PFX -u AMBERVALE_SIGN_CERT -u AMBERVALE_SIGN_KEY bash scripts/release.sh) \
    >"$1.log" 2>&1 || { tail -n 40 "$1.log"; echo "FAIL: the release in $1"; exit 1; }
}
if [ -n "${1:-}" ]; then
  first=$(cd "$1" && pwd)
else
  release_in "$work/a"
  first=$work/a/dist
fi
release_in "$work/second-clone-of-another-name"
second=$work/second-clone-of-another-name/dist

unpack() {  # unpack PACKAGE FOLDER
  mkdir -p "$2"
  case $1 in
    *.deb) dpkg-deb -R "$1" "$2" ;;
    *.rpm) (cd "$2" && rpm2cpio "$1" | cpio -idm --quiet) && rpm -qp --dump "$1" >"$2/.header" 2>/dev/null ;;
    *.zip | *.exe) 7z x -o"$2" "$1" >/dev/null ;;
  esac
}
status=0
for file in $({ ls "$first"; ls "$second"; } | sort -u); do
  cmp -s "$first/$file" "$second/$file" && continue
  status=1
  echo "FAIL: $file differs"
  [ -f "$first/$file" ] && [ -f "$second/$file" ] || continue
  unpack "$first/$file" "$work/one/$file" 2>/dev/null
  unpack "$second/$file" "$work/two/$file" 2>/dev/null
  diff -r -q "$work/one/$file" "$work/two/$file" | sed 's/^/  /' | head -n 20
done
[ $status -eq 0 ] && echo "reproducible: $(ls "$first" | wc -l) files of dist/ came out the same in two folders"
exit $status
