#!/bin/bash
# Signs Windows programs in place with Authenticode, through Debian's
# osslsigncode, when a certificate is given in the environment:
#   VANTREL_SIGN_CERT       the code-signing certificate: with its private
#                           key, a PKCS#12 file (.pfx or .p12); with a key on
#                           a token (below), the certificate alone (PEM or DER)
#   VANTREL_SIGN_PKCS11_MODULE
#                           the PKCS#11 module of the token or signing service
#                           that holds the key (its vendor's .so). Publicly
#                           trusted code-signing keys have been issued on such
#                           hardware only since June 2023 and cannot be
#                           exported to a .pfx.
#   VANTREL_SIGN_PKCS11_KEY the key on it, a PKCS#11 URI
#                           ("pkcs11:token=…;object=…"), with the module
#   VANTREL_SIGN_PKCS11_ENGINE
#                           optional: OpenSSL's PKCS#11 engine, when not the
#                           one OpenSSL finds itself (Debian's
#                           libengine-pkcs11-openssl)
#   VANTREL_SIGN_PASSWORD   the PKCS#12 file's password, or the token's PIN
#                           (empty when there is none)
#   VANTREL_SIGN_TIMESTAMP  an RFC 3161 time-stamp server, so that the
#                           signatures stay valid after the certificate
#                           expires
#   VANTREL_SIGN_RELEASE=1  a release: signing without a time-stamp server
#                           fails, rather than making signatures that end
#                           with the certificate
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

if [ "${VANTREL_SIGN_RELEASE:-}" = 1 ] && [ -z "${VANTREL_SIGN_TIMESTAMP:-}" ]; then
  echo "sign: a release (VANTREL_SIGN_RELEASE=1) needs a time-stamp server (VANTREL_SIGN_TIMESTAMP):" \
       "without one its signatures end with the certificate" >&2
  exit 1
fi
timestamp=()
if [ -n "${VANTREL_SIGN_TIMESTAMP:-}" ]; then timestamp=(-ts "$VANTREL_SIGN_TIMESTAMP"); fi
if [ -n "${VANTREL_SIGN_PKCS11_MODULE:-}" ]; then
  if [ -z "${VANTREL_SIGN_PKCS11_KEY:-}" ]; then
    echo "sign: VANTREL_SIGN_PKCS11_MODULE is set but not VANTREL_SIGN_PKCS11_KEY (the key's pkcs11: URI)" >&2
    exit 1
  fi
  key=(-pkcs11module "$VANTREL_SIGN_PKCS11_MODULE" -certs "$VANTREL_SIGN_CERT" -key "$VANTREL_SIGN_PKCS11_KEY")
  if [ -n "${VANTREL_SIGN_PKCS11_ENGINE:-}" ]; then key=(-pkcs11engine "$VANTREL_SIGN_PKCS11_ENGINE" "${key[@]}"); fi
else
  key=(-pkcs12 "$VANTREL_SIGN_CERT")
fi
for file in "$@"; do
  # The signed copy is written in a folder of its own beside the file
  # (osslsigncode writes no file that exists) and takes the file's place
  # only when whole. The password or PIN goes through a pipe, never the
  # command line.
  work=$(mktemp -d "$(dirname "$file")/.signing.XXXXXX")
  signed=$work/$(basename "$file")
  if ! printf '%s' "${VANTREL_SIGN_PASSWORD:-}" | osslsigncode sign "${key[@]}" \
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
