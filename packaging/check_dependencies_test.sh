#!/usr/bin/env bash
# packaging/check-dependencies.sh on made-up packages: the real names within their minimums
# pass; a Debian-only name, a minimum above Ubuntu 22.04's, a pinned version, a name in an
# alternative or in Recommends, an unreadable file, and an RPM requirement outside Fedora's
# list or above its version each fail, named in the output.
set -uo pipefail
check=$(dirname "$0")/check-dependencies.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

deb() {  # deb NAME "Depends" ["Recommends"]: a package with those relations
  mkdir -p "$work/$1/DEBIAN"
  printf 'Package: %s\nVersion: 1\nArchitecture: all\nMaintainer: t <t@t.invalid>\nDescription: t\n' "$1" >"$work/$1/DEBIAN/control"
  printf 'Depends: %s\n' "$2" >>"$work/$1/DEBIAN/control"
  [ -z "${3:-}" ] || printf 'Recommends: %s\n' "$3" >>"$work/$1/DEBIAN/control"
  dpkg-deb -b "$work/$1" "$work/$1.deb" >/dev/null
  echo "$work/$1.deb"
}
# expect passes|fails PATTERN PACKAGE: the check's verdict, and PATTERN in what it printed.
expect() {
  local output status=0
  output=$(bash "$check" "$3" 2>&1) || status=1
  if { [ "$1" = passes ] && [ $status -ne 0 ]; } || { [ "$1" = fails ] && [ $status -eq 0 ]; } ||
    ! grep -q -- "$2" <<<"$output"; then
    echo "FAIL: $(basename "$3") should have $1 (with \"$2\"): ${output:-no output}"
    failures=$((failures + 1))
  fi
}

expect passes '' "$(deb good 'libc6 (>= 2.34), libglib2.0-0 (>= 2.70.0), libxrandr2 (>= 2:1.5.0), libx11-6')"
expect passes '' "$(deb at-the-limit 'libc6 (>= 2.35), libglib2.0-0 (>= 2.72)')"
expect fails 'libjpeg62-turbo' "$(deb debian-only 'libc6 (>= 2.34), libjpeg62-turbo (>= 1.3.1)')"
expect fails 'libc6 2.36' "$(deb new-libc 'libc6 (>= 2.36)')"
expect fails 'libglib2.0-0 2.74' "$(deb new-glib 'libglib2.0-0 (>= 2.74)')"
expect fails 'pins' "$(deb pinned 'libx11-6 (= 2:1.8.4-2)')"
expect fails 'libjpeg-turbo8' "$(deb alternative 'libx11-6, libjpeg-turbo8 | libjpeg62-turbo')"
expect fails 'xscreensaver' "$(deb recommends 'libx11-6' 'xscreensaver')"
echo 'not a package' >"$work/broken.deb"
expect fails 'no Debian package' "$work/broken.deb"

# An RPM needs rpmbuild; without it that part is left out.
if command -v rpmbuild >/dev/null; then
  rpm_with() {  # rpm_with NAME REQUIREMENT...: a package requiring those
    local spec=$work/$1.spec requirement
    printf 'Name: %s\nVersion: 1\nRelease: 1\nSummary: t\nLicense: MIT\nBuildArch: noarch\n' "$1" >"$spec"
    for requirement in "${@:2}"; do echo "Requires: $requirement" >>"$spec"; done
    printf '%%description\nt\n%%files\n' >>"$spec"
    rpmbuild -bb --define "_topdir $work/rpm-$1" --define '_rpmdir %{_topdir}' "$spec" >/dev/null 2>&1
    find "$work/rpm-$1" -name '*.rpm'
  }
  expect passes '' "$(rpm_with good-rpm 'libc.so.6(GLIBC_2.34)(64bit)' 'libgtk-3.so.0()(64bit)')"
  expect fails 'libjpeg.so.62' "$(rpm_with jpeg-rpm 'libjpeg.so.62()(64bit)')"
  expect fails 'libc.so.6 2.38' "$(rpm_with new-libc-rpm 'libc.so.6(GLIBC_2.38)(64bit)')"
fi
[ $failures -eq 0 ] && echo "the dependency check passes the portable names and refuses the others"
exit $((failures > 0))
