#!/usr/bin/env bash
# Signs a Windows program in place: Authenticode with SHA-256, by osslsigncode, with the
# certificate the environment names (scripts/release.sh describes the variables). The
# password reaches osslsigncode through a private file, never its command line.
#   sign.sh FILE
set -euo pipefail
file=$1
work=$(mktemp -d "${TMPDIR:-/tmp}/ambervale-sign.XXXXXX")
trap 'rm -rf "$work"' EXIT

args=(sign -h sha256 -n "Ambervale Screensaver")
if [ -n "${AMBERVALE_SIGN_PFX:-}" ]; then
  args+=(-pkcs12 "$AMBERVALE_SIGN_PFX")
elif [ -n "${AMBERVALE_SIGN_CERT:-}" ] && [ -n "${AMBERVALE_SIGN_KEY:-}" ]; then
  args+=(-certs "$AMBERVALE_SIGN_CERT" -key "$AMBERVALE_SIGN_KEY")
else
  echo "sign.sh: no certificate (AMBERVALE_SIGN_PFX, or AMBERVALE_SIGN_CERT and AMBERVALE_SIGN_KEY)" >&2
  exit 1
fi
if [ -n "${AMBERVALE_SIGN_PASSWORD:-}" ]; then
  (umask 077 && printf '%s' "$AMBERVALE_SIGN_PASSWORD" >"$work/password")
  args+=(-readpass "$work/password")
fi
[ -z "${AMBERVALE_SIGN_TIMESTAMP_URL:-}" ] || args+=(-ts "$AMBERVALE_SIGN_TIMESTAMP_URL")

osslsigncode "${args[@]}" -in "$file" -out "$work/signed" >"$work/log" 2>&1 ||
  { cat "$work/log" >&2; echo "sign.sh: signing $file failed" >&2; exit 1; }
cat "$work/signed" >"$file"
echo "signed $(basename "$file")"
