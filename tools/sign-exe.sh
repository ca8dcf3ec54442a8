#!/usr/bin/env bash
# Authenticode-signs one exe with osslsigncode: a SHA-256 signature by the certificate and key in
# a PKCS#12 (.pfx) file, with an RFC 3161 timestamp. Then checks the result: the signature and
# its timestamp verify, and removing the signature gives back the unsigned exe byte for byte.
# Usage: VORLAX_SIGN_PFX=FILE VORLAX_SIGN_PASSWORD=PASSWORD tools/sign-exe.sh UNSIGNED SIGNED
#   VORLAX_TIMESTAMP_URL  the RFC 3161 timestamp server (default http://timestamp.digicert.com);
#                         "none" for no timestamp (the signing test, where osslsigncode has no
#                         built-in timestamp authority; tools/release.sh refuses it)
#   VORLAX_TSA_CERTS, VORLAX_TSA_KEY  instead of a server, osslsigncode's built-in timestamp
#                         authority with this certificate and key (osslsigncode 2.6 and later;
#                         the signing test uses it, offline)
#   VORLAX_SIGN_CAFILE    more certificates to trust when verifying, besides the system's
#                         and those in the .pfx file
set -euo pipefail

[ $# -eq 2 ] || { echo "Usage: tools/sign-exe.sh UNSIGNED SIGNED" >&2; exit 2; }
unsigned=$1
signed=$2
: "${VORLAX_SIGN_PFX:?names no .pfx file}"
: "${VORLAX_SIGN_PASSWORD?is not set}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The password goes to osslsigncode and openssl in a file, not on their command lines.
(umask 077 && printf '%s' "$VORLAX_SIGN_PASSWORD" >"$work/password")

timestamp_url=${VORLAX_TIMESTAMP_URL:-http://timestamp.digicert.com}
timestamp=(-ts "$timestamp_url")
tsa_trust=()
if [ -n "${VORLAX_TSA_CERTS:-}" ]; then
    timestamp=(-TSA-certs "$VORLAX_TSA_CERTS" -TSA-key "$VORLAX_TSA_KEY")
    tsa_trust=("$VORLAX_TSA_CERTS")
elif [ "$timestamp_url" = none ]; then
    timestamp=()
fi
rm -f "$signed"
osslsigncode sign -pkcs12 "$VORLAX_SIGN_PFX" -readpass "$work/password" -h sha256 \
    -n "Vorlax Demo Fixer" ${timestamp[@]+"${timestamp[@]}"} -in "$unsigned" -out "$signed" \
    >"$work/sign.log" ||
    { cat "$work/sign.log" >&2; echo "sign-exe: signing $unsigned failed" >&2; exit 1; }

# What the signature is verified against: the system's certificate authorities, the .pfx
# file's own chain (a self-signed or privately issued certificate is trusted as itself), and
# any the caller names.
trust="$work/trust.pem"
pfx_certificates=(pkcs12 -in "$VORLAX_SIGN_PFX" -passin "file:$work/password" -nokeys -out "$trust")
openssl "${pfx_certificates[@]}" 2>/dev/null || openssl "${pfx_certificates[@]}" -legacy
for extra in /etc/ssl/certs/ca-certificates.crt ${VORLAX_SIGN_CAFILE:+"$VORLAX_SIGN_CAFILE"} \
             ${tsa_trust[@]+"${tsa_trust[@]}"}; do
    [ ! -f "$extra" ] || cat "$extra" >>"$trust"
done
if ! osslsigncode verify -CAfile "$trust" -TSA-CAfile "$trust" -in "$signed" \
        >"$work/verify.log" 2>&1 ||
   { [ ${#timestamp[@]} -gt 0 ] &&
     ! grep -q "Timestamp Server Signature verification: ok" "$work/verify.log"; }; then
    cat "$work/verify.log" >&2
    echo "sign-exe: the signature of $signed, or its timestamp, does not verify" >&2
    exit 1
fi
osslsigncode remove-signature -in "$signed" -out "$work/removed.exe" >/dev/null
cmp "$unsigned" "$work/removed.exe" ||
    { echo "sign-exe: $signed without its signature differs from $unsigned" >&2; exit 1; }
stamp=timestamped
[ ${#timestamp[@]} -gt 0 ] || stamp="NOT timestamped"
echo "Signed $signed (SHA-256, $stamp); without the signature it is $unsigned, byte for byte."
