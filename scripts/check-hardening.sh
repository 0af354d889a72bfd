#!/usr/bin/env bash
# Installs a native build into a scratch folder and runs hardening-check on every ELF program
# it installs: what the Debian package ships, since CPack packs the same installation.
#   check-hardening.sh BUILD_DIR [HARDENING_CHECK]
set -euo pipefail
build=$1 check=${2:-hardening-check}
stage=$(mktemp -d "${TMPDIR:-/tmp}/ambervale-hardening.XXXXXX")
trap 'rm -rf "$stage"' EXIT

cmake --install "$build" --prefix "$stage/usr" >/dev/null
# The package strips its programs; the markers the check reads must survive that.
cmake --install "$build" --prefix "$stage/stripped" --strip >/dev/null
mapfile -t programs < <(find "$stage" -type f -perm -u+x -exec sh -c 'head -c4 "$1" | grep -q ELF' _ {} \; -print | sort)
[ ${#programs[@]} -gt 0 ] || { echo "no program was installed from $build" >&2; exit 1; }
# Control-flow protection (CET) is compiled in, but a program is marked only when every object
# linked is, and Debian 12's C start files (crt1.o, crti.o) are not: no program built on it is
# marked, Debian's own (/usr/bin/ls) included. So that one check is left to newer systems.
status=0
for program in "${programs[@]}"; do
  "$check" --nocfprotection "$program" || status=1
done
exit $status
