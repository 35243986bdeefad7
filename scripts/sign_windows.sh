#!/usr/bin/env bash
# Signs Windows programs in place (Authenticode, with osslsigncode) when a
# certificate is given through the environment; without one it does nothing.
# The package_windows build calls it on the two programs before they are
# packed, on the uninstaller and on the setup program; CI gives no
# certificate, so nothing there is signed.
#   VANTREL_SIGN_CERT       a .pfx / .p12 file (key inside), or a certificate
#                           chain (PEM or DER) with VANTREL_SIGN_KEY beside it
#   VANTREL_SIGN_KEY        the private key of such a chain
#   VANTREL_SIGN_PASSWORD   the .pfx's or the key's password, if it has one
#                           (handed over on standard input, never as an argument)
#   VANTREL_SIGN_TIMESTAMP  an RFC 3161 time-stamp server's URL, so that the
#                           signature outlives the certificate
#   scripts/sign_windows.sh FILE...
set -euo pipefail
[ -n "${VANTREL_SIGN_CERT:-}" ] || exit 0
command -v osslsigncode >/dev/null || { echo "sign: osslsigncode is missing (apt-get install osslsigncode)" >&2; exit 1; }
[ -r "$VANTREL_SIGN_CERT" ] || { echo "sign: cannot read VANTREL_SIGN_CERT=$VANTREL_SIGN_CERT" >&2; exit 1; }

args=(sign -h sha256 -n VantrelDAQ)
case "$VANTREL_SIGN_CERT" in
  *.pfx | *.p12 | *.PFX | *.P12) args+=(-pkcs12 "$VANTREL_SIGN_CERT") ;;
  *)
    [ -r "${VANTREL_SIGN_KEY:-}" ] || { echo "sign: VANTREL_SIGN_KEY names no readable key" >&2; exit 1; }
    args+=(-certs "$VANTREL_SIGN_CERT" -key "$VANTREL_SIGN_KEY") ;;
esac
[ -z "${VANTREL_SIGN_PASSWORD:-}" ] || args+=(-readpass -)
[ -z "${VANTREL_SIGN_TIMESTAMP:-}" ] || args+=(-ts "$VANTREL_SIGN_TIMESTAMP")

for file in "$@"; do
  rm -f "$file.signed"
  printf '%s' "${VANTREL_SIGN_PASSWORD:-}" | osslsigncode "${args[@]}" -in "$file" -out "$file.signed" >/dev/null
  mv -f "$file.signed" "$file"
  echo "sign: signed $file"
done
