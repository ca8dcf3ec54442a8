#!/usr/bin/env bash
# Authenticode-signs one exe with osslsigncode through a PKCS#11 module: the key stays in its
# token (a USB token, an HSM, or a cloud key service's PKCS#11 library), named by its RFC 7512
# URI; the certificate chain comes from a file. SHA-256, with an RFC 3161 timestamp from the
# first of the timestamp servers that answers. Then checks that removing the signature gives
# back the unsigned exe byte for byte (which says nothing of what else the signed file may
# carry outside the signature: tools/verify-release.sh checks that, and whether the signature
# can be trusted, against a root the signer does not bring).
# Usage: tools/sign-exe.sh UNSIGNED SIGNED
#        tools/sign-exe.sh --check   checks the variables below, and prints the key's URI once
#                                    it is known to hold no PIN; signs nothing
#   VORLAX_PKCS11_MODULE  the PKCS#11 library (e.g. /usr/lib/softhsm/libsofthsm2.so); osslsigncode
#                         reaches it through OpenSSL's pkcs11 engine (libengine-pkcs11-openssl)
#   VORLAX_SIGN_KEY       the key's RFC 7512 URI, e.g. "pkcs11:token=Vorlax;object=signing;type=private"
#   VORLAX_SIGN_PIN       the token's PIN (given to osslsigncode in a file, never on its command
#                         line); unset or empty if the module asks none
#   VORLAX_SIGN_CHAIN     a PEM file: the signing certificate, then its intermediates
#   VORLAX_TIMESTAMP_URL  the RFC 3161 timestamp servers, separated by spaces, tried in order
#                         (default: http://timestamp.digicert.com http://timestamp.sectigo.com)
set -euo pipefail

usage() {
    echo "Usage: tools/sign-exe.sh UNSIGNED SIGNED"
    echo "       tools/sign-exe.sh --check"
    echo "(the key, module, chain, PIN and timestamp servers in VORLAX_* variables: see the" \
        "comment at the top of this script)"
}
case ${1:-} in
    -h | --help) usage; exit 0 ;;
    --check) [ $# -eq 1 ] || { usage >&2; exit 2; } ;;
    -*) echo "sign-exe: unknown option $1" >&2; usage >&2; exit 2 ;;
    *) [ $# -eq 2 ] || { usage >&2; exit 2; } ;;
esac
# The key's URI is checked before anything prints it: a PIN in it would go to a public log.
[ -n "${VORLAX_SIGN_KEY:-}" ] ||
    { echo "sign-exe: VORLAX_SIGN_KEY names no key (an RFC 7512 pkcs11: URI)" >&2; exit 2; }
[[ "$VORLAX_SIGN_KEY" == pkcs11:* ]] ||
    { echo "sign-exe: VORLAX_SIGN_KEY is not a pkcs11: URI" >&2; exit 2; }
[[ "$VORLAX_SIGN_KEY" != *pin-value=* ]] ||
    { echo "sign-exe: the PIN goes in VORLAX_SIGN_PIN, not in the key's URI" >&2; exit 2; }
: "${VORLAX_PKCS11_MODULE:?names no PKCS#11 module}"
: "${VORLAX_SIGN_CHAIN:?names no certificate chain file}"
for file in "$VORLAX_PKCS11_MODULE" "$VORLAX_SIGN_CHAIN"; do
    [ -f "$file" ] || { echo "sign-exe: no file $file" >&2; exit 2; }
done
if [ "$1" = --check ]; then
    echo "Signing key $VORLAX_SIGN_KEY, through $VORLAX_PKCS11_MODULE."
    exit 0
fi
unsigned=$1
signed=$2
[ -f "$unsigned" ] || { echo "sign-exe: no file $unsigned" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
pin=()
if [ -n "${VORLAX_SIGN_PIN:-}" ]; then
    (umask 077 && printf '%s' "$VORLAX_SIGN_PIN" >"$work/pin")
    pin=(-readpass "$work/pin")
fi
timestamp=()
for url in ${VORLAX_TIMESTAMP_URL:-http://timestamp.digicert.com http://timestamp.sectigo.com}; do
    timestamp+=(-ts "$url")
done

rm -f "$signed"
osslsigncode sign -pkcs11module "$VORLAX_PKCS11_MODULE" -key "$VORLAX_SIGN_KEY" \
    ${pin[@]+"${pin[@]}"} -certs "$VORLAX_SIGN_CHAIN" -h sha256 -n "Vorlax Demo Fixer" \
    "${timestamp[@]}" -in "$unsigned" -out "$signed" >"$work/sign.log" 2>&1 ||
    { cat "$work/sign.log" >&2; echo "sign-exe: signing $unsigned failed" >&2; exit 1; }

osslsigncode remove-signature -in "$signed" -out "$work/removed.exe" >/dev/null
cmp "$unsigned" "$work/removed.exe" ||
    { echo "sign-exe: $signed without its signature differs from $unsigned" >&2; exit 1; }
echo "Signed $signed (SHA-256, timestamped); removing the signature gives back $unsigned."
