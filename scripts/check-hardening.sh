#!/usr/bin/env bash
# Runs hardening-check on every ELF program that `cmake --install` puts in place: what the
# Debian package ships (CPack packs the same installation, stripped).
# Control-flow protection (CET) is compiled in, but a program is marked only when every object
# linked is, and Debian 12's C start files (crt1.o, crti.o) are not: no program built on it is
# marked, Debian's own (/usr/bin/ls) included. So that one check is left to newer systems.
#   check-hardening.sh BUILD_DIR [HARDENING_CHECK]
set -euo pipefail
stage=$(mktemp -d "${TMPDIR:-/tmp}/ambervale-hardening.XXXXXX")
trap 'rm -rf "$stage"' EXIT
cmake --install "$1" --prefix "$stage" --strip >/dev/null
programs=$(find "$stage" -type f -perm -u+x -exec sh -c 'head -c4 "$1" | grep -q ELF' _ {} \; -print)
[ -n "$programs" ] || { echo "no program was installed from $1"; exit 1; }
# shellcheck disable=SC2086
"${2:-hardening-check}" --nocfprotection $programs
