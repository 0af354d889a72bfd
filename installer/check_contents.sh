#!/usr/bin/env bash
# Fails when a file that ships lacks what must travel with it: the installer must carry the
# saver, the licence and the third-party notices unchanged; the saver and the installer
# must carry the project version and the licence's copyright line in their version resources
# (the saver's manifest the version too), and the leaf icon; the saver ships without its
# symbols, which stay beside it.
#   check_contents.sh SETUP_EXE SCR SOURCE_DIR VERSION
set -uo pipefail
setup=$1 scr=$2 src=$3 version=$4
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The version resource as text, one space between words (7z writes it in UTF-16 for some
# files: NULs are dropped).
version_text() { 7z x "$@" -so .rsrc/version.txt 2>/dev/null | tr -d '\0\r' | tr -s ' \t' ' '; }
copyright=$(grep -m1 '^Copyright ' "$src/LICENSE")
check_version_resource() {  # check_version_resource NAME TEXT
  local key value
  for pair in "LegalCopyright=$copyright" "FileVersion=$version" "ProductVersion=$version"; do
    key=${pair%%=*} value=${pair#*=}
    grep -Fq "VALUE \"$key\", \"$value\"" <<<"$2" || fail "$1: its version resource lacks $key \"$value\""
  done
}
check_version_resource "$(basename "$scr")" "$(version_text -tPE "$scr")"
check_version_resource "$(basename "$setup")" "$(version_text -tPE "$setup")"

manifest_version=$(7z x -tPE "$scr" -so '.rsrc/MANIFEST/1' 2>/dev/null |
  sed -n 's/.*name="Ambervale.Screensaver" version="\([0-9.]*\)".*/\1/p')
[ "$manifest_version" = "$version.0" ] || fail "$(basename "$scr"): its manifest says version ${manifest_version:-none}"

for file in "$scr" "$setup"; do
  grep -q ' \.rsrc/GROUP_ICON/' <<<"$(7z l -tPE "$file" 2>/dev/null)" || fail "$(basename "$file") carries no icon group"
done
# The COFF header's symbol count (offset 12 past the PE signature, whose offset is at 0x3c).
u32_at() { od -An -tu4 -j "$2" -N4 "$1" | tr -d ' '; }
[ "$(u32_at "$scr" $(($(u32_at "$scr" 60) + 16)))" = 0 ] || fail "$(basename "$scr") carries a symbol table"
[ -s "$scr.debug" ] || fail "no symbols kept beside $(basename "$scr")"

listing=$(7z l "$setup" 2>&1) || fail "7z cannot list $setup: $listing"
for entry in '$SYSDIR/Ambervale.scr' LICENSE.txt THIRD_PARTY_NOTICES.txt uninstall.exe; do
  grep -Fq " $entry" <<<"$listing" || fail "$setup does not carry $entry"
done
same_as() {  # same_as ENTRY FILE
  cmp -s <(7z x -so "$setup" "$1" 2>/dev/null) "$2" || fail "$1 in $setup differs from $2"
}
same_as '$SYSDIR/Ambervale.scr' "$scr"
same_as LICENSE.txt "$src/LICENSE"
same_as THIRD_PARTY_NOTICES.txt "$src/THIRD_PARTY_NOTICES.txt"

[ $failures -eq 0 ] && echo "installer contents: saver, licence, notices and version $version present"
exit $((failures > 0))
