#!/usr/bin/env bash
# Checks that the packages ask only for what every distribution they are for has: a .deb's
# Pre-Depends, Depends and Recommends against packaging/portable-depends.txt, an RPM's Requires
# against packaging/fedora-requires.txt, and every minimum version against the highest one the
# list allows for that name. A name outside the list or a minimum above it fails the check.
#   check-dependencies.sh PACKAGE...   (.deb or .rpm files)
# Prints one line for each finding and exits 1 when there is any.
set -euo pipefail
lists=$(cd "$(dirname "$0")" && pwd)
failures=0
finding() { echo "FAIL: $*"; failures=$((failures + 1)); }

# The list as "name at-most" lines ("-": any version): comments and blank lines dropped.
read_list() { sed 's/#.*//' "$1" | awk 'NF { print $1, (NF > 1 ? $2 : "-") }'; }

# check_name PACKAGE LIST NAME [MINIMUM]: NAME is in LIST and MINIMUM within what it allows.
check_name() {
  local package=$1 list=$2 name=$3 minimum=${4:-} allowed
  allowed=$(awk -v name="$name" '$1 == name { print $2; exit }' <<<"$list")
  if [ -z "$allowed" ]; then
    finding "$package asks for $name, which is not in the list of names every distribution has"
  elif [ -n "$minimum" ] && [ "$allowed" != - ] && ! dpkg --compare-versions "$minimum" le "$allowed"; then
    finding "$package asks for $name $minimum or later; the list allows at most $allowed, what the oldest distribution has"
  fi
}

check_deb() {
  local deb=$1 list field relation name op version
  list=$(read_list "$lists/portable-depends.txt")
  dpkg-deb --info "$deb" >/dev/null 2>&1 || { finding "$deb is no Debian package dpkg-deb can read"; return; }
  for field in Pre-Depends Depends Recommends; do
    # One relation a line: "name (op version)", alternatives as relations of their own.
    while read -r relation; do
      [ -n "$relation" ] || continue
      name=${relation%% *} name=${name%%:*}
      op=$(sed -n 's/.*(\([<>=]*\) *\([^)]*\)).*/\1/p' <<<"$relation")
      version=$(sed -n 's/.*(\([<>=]*\) *\([^)]*\)).*/\2/p' <<<"$relation")
      case $op in
        '' | '>=' | '>>') check_name "$(basename "$deb")" "$list" "$name" "$version" ;;
        *) finding "$(basename "$deb") pins $relation: an upgrade of that library would break it" ;;
      esac
    done < <(dpkg-deb -f "$deb" "$field" | tr ',|' '\n\n' | sed 's/^ *//; s/ *$//')
  done
}

# An RPM's requirements as rpmbuild finds them: "libc.so.6(GLIBC_2.34)(64bit)" is the name
# libc.so.6 at 2.34 or later; "rtld(GNU_HASH)" and "rpmlib(...)" are rtld and rpmlib.
check_rpm() {
  local rpm=$1 list requirements requirement name version
  list=$(read_list "$lists/fedora-requires.txt")
  requirements=$(rpm -qp --requires "$rpm" 2>/dev/null) || { finding "$rpm is no RPM package rpm can read"; return; }
  while read -r requirement; do
    name=${requirement%%(*} name=${name%% *}
    version=$(sed -n 's/^[^(]*([A-Za-z_]*_\([0-9][0-9.]*\)).*/\1/p' <<<"$requirement")
    check_name "$(basename "$rpm")" "$list" "$name" "$version"
  done <<<"$requirements"
}

[ $# -gt 0 ] || { echo "usage: check-dependencies.sh PACKAGE..." >&2; exit 2; }
for package in "$@"; do
  case $package in
    *.deb) check_deb "$package" ;;
    *.rpm) check_rpm "$package" ;;
    *) finding "$package is neither a .deb nor an .rpm" ;;
  esac
done
exit $((failures > 0))
