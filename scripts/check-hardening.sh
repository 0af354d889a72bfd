#!/usr/bin/env bash
# hardening-check on every program `cmake --install` puts in place, stripped as CPack packs them.
# Not its control-flow check: Debian 12's C start files carry no CET marking, so no program
# linked there is marked, Debian's own (/usr/bin/ls) included.
#   check-hardening.sh BUILD_DIR [HARDENING_CHECK]
set -euo pipefail
stage=$(mktemp -d "${TMPDIR:-/tmp}/ambervale-hardening.XXXXXX")
trap 'rm -rf "$stage"' EXIT
cmake --install "$1" --prefix "$stage" --strip >/dev/null
programs=$(find "$stage" -type f -perm -u+x -exec sh -c 'head -c4 "$1" | grep -q ELF' _ {} \; -print)
[ -n "$programs" ] || { echo "no program was installed from $1"; exit 1; }
# shellcheck disable=SC2086
"${2:-hardening-check}" --nocfprotection $programs
