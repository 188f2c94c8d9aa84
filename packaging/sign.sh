#!/bin/bash
# Signs Windows programs in place with Authenticode, through Debian's
# osslsigncode, when a certificate is given in the environment:
#   VANTREL_SIGN_CERT       the code-signing certificate with its private key,
#                           a PKCS#12 file (.pfx or .p12)
#   VANTREL_SIGN_PASSWORD   its password (empty when it has none)
#   VANTREL_SIGN_TIMESTAMP  optional: an RFC 3161 time-stamp server, so that
#                           the signatures stay valid after the certificate
#                           expires
# Without VANTREL_SIGN_CERT it signs nothing, says so, and ends with 0.
# A signing that was asked for and failed ends with 1: no package is then
# made that looks signed but is not.
#   packaging/sign.sh FILE...
set -euo pipefail

if [ -z "${VANTREL_SIGN_CERT:-}" ]; then
  echo "sign: VANTREL_SIGN_CERT is not set: $(basename -a "$@" | tr '\n' ' ')left unsigned"
  exit 0
fi
if [ ! -f "$VANTREL_SIGN_CERT" ]; then
  echo "sign: no certificate file $VANTREL_SIGN_CERT (VANTREL_SIGN_CERT)" >&2
  exit 1
fi
if ! command -v osslsigncode >/dev/null; then
  echo "sign: osslsigncode is not installed (bash scripts/setup.sh)" >&2
  exit 1
fi

timestamp=()
if [ -n "${VANTREL_SIGN_TIMESTAMP:-}" ]; then timestamp=(-ts "$VANTREL_SIGN_TIMESTAMP"); fi
for file in "$@"; do
  # The signed copy is written in a folder of its own beside the file
  # (osslsigncode writes no file that exists) and takes the file's place
  # only when whole. The password goes through a pipe, never the command
  # line.
  work=$(mktemp -d "$(dirname "$file")/.signing.XXXXXX")
  signed=$work/$(basename "$file")
  if ! printf '%s' "${VANTREL_SIGN_PASSWORD:-}" | osslsigncode sign -pkcs12 "$VANTREL_SIGN_CERT" \
      -readpass /dev/stdin -h sha256 -n Vantrel "${timestamp[@]}" -in "$file" -out "$signed" >"$work/log" 2>&1; then
    echo "sign: signing $file failed: $(cat "$work/log")" >&2
    rm -rf "$work"
    exit 1
  fi
  chmod --reference="$file" "$signed"
  mv -f "$signed" "$file"
  rm -rf "$work"
  echo "sign: $(basename "$file") signed"
done
