#!/usr/bin/env bash
# Signs exes as tools/release.sh does (tools/sign-exe.sh), offline: with a throwaway self-signed
# code-signing certificate made here and, where osslsigncode has one (2.6 and later), its
# built-in RFC 3161 timestamp authority with a throwaway certificate too. For each exe, checks
# that the signature (SHA-256) and its timestamp verify, that they do not against another
# certificate or once a byte of the exe is changed, and that removing the signature gives back
# the unsigned exe byte for byte. Then starts each signed exe under Wine, on a virtual screen of
# its own, and checks that it shows its windows; x86 exes only where this machine runs 32-bit
# programs. Takes seconds, plus the making of the Wine prefix on the first run.
# Usage: tests/signing_test.sh SHOW_WINDOWS.exe EXE...   (unsigned x64 or x86 builds of the
#        program, and the tests' show_windows.exe of the same build)
#   VORLAX_SIGNING_PREFIX  the Wine prefix to use, made if missing (default: a new one, removed
#                          afterwards)
set -euo pipefail
root="$(realpath "$(dirname "$0")/..")"
[ $# -gt 1 ] || { echo "Usage: tests/signing_test.sh SHOW_WINDOWS.exe EXE..." >&2; exit 2; }
if [ -z "${VORLAX_SIGNING_ON_XVFB:-}" ]; then
    VORLAX_SIGNING_ON_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
show_windows=$(realpath "$1")
shift

failures=0
fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}

work=$(mktemp -d)
prefix=
cleanup() {
    # Only this test's own prefix's server: the caller's WINEPREFIX may be another's.
    [ -z "$prefix" ] || WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# The throwaway certificates: a code signer and a timestamp authority, each its own root.
certificate() { # NAME PURPOSE
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Vorlax test $1" \
        -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=critical,$2" \
        -keyout "$work/$1.key" -out "$work/$1.pem" 2>/dev/null
}
certificate signer codeSigning
certificate stranger codeSigning
openssl pkcs12 -export -inkey "$work/signer.key" -in "$work/signer.pem" -out "$work/signer.pfx" \
    -passout pass:throwaway-password
export VORLAX_SIGN_PFX="$work/signer.pfx" VORLAX_SIGN_PASSWORD=throwaway-password
timestamped=yes
help=$(osslsigncode --help 2>&1 || true)
if [[ "$help" == *-TSA-certs* ]]; then
    certificate tsa timeStamping
    export VORLAX_TSA_CERTS="$work/tsa.pem" VORLAX_TSA_KEY="$work/tsa.key"
    tsa_trust=(-TSA-CAfile "$work/tsa.pem")
else
    timestamped=no
    export VORLAX_TIMESTAMP_URL=none
    tsa_trust=()
    version=$(osslsigncode --version 2>&1 || true)
    echo "NOT TESTED: the RFC 3161 timestamp. ${version%%,*} has no"
    echo "built-in timestamp authority (-TSA-certs, osslsigncode 2.6 and later), and this test"
    echo "reaches no timestamp server. The exes are signed without a timestamp."
fi

# The PE machine field: 8664 for x64, 014c for x86.
machine() {
    local pe
    pe=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
    od -An -tx2 -j$((pe + 4)) -N2 "$1" | tr -d ' '
}

signed_exes=()
for exe in "$@"; do
    case $(machine "$exe") in
        8664) arch=x64 ;;
        014c) arch=x86 ;;
        *) fail "$exe is not an x64 or x86 Windows program"; continue ;;
    esac
    dir="$work/$arch"
    mkdir -p "$dir/unsigned" "$dir/signed"
    unsigned="$dir/unsigned/Vorlax Demo Fixer.exe"
    signed="$dir/signed/Vorlax Demo Fixer.exe"
    cp "$exe" "$unsigned"
    if osslsigncode extract-signature -in "$unsigned" -out "$dir/existing.sig" >/dev/null 2>&1; then
        fail "$exe is signed already: give the unsigned build"
        continue
    fi
    echo "== $arch: $exe"
    if ! "$root/tools/sign-exe.sh" "$unsigned" "$signed"; then
        fail "$arch: tools/sign-exe.sh"
        continue
    fi

    # Checked again here, so that the test does not rest on the signing script's own checks.
    if cmp -s "$unsigned" "$signed"; then
        fail "$arch: the signed exe is the unsigned one"
    fi
    osslsigncode verify -CAfile "$work/signer.pem" ${tsa_trust[@]+"${tsa_trust[@]}"} \
        -in "$signed" >"$dir/verify.log" 2>&1 || fail "$arch: the signature does not verify"
    grep -q "Message digest algorithm *: SHA256" "$dir/verify.log" ||
        fail "$arch: the signature's digest is not SHA-256"
    grep -q "Subject: /CN=Vorlax test signer" "$dir/verify.log" ||
        fail "$arch: the signature does not name the test certificate"
    if [ "$timestamped" = yes ]; then
        grep -q "Timestamp Server Signature verification: ok" "$dir/verify.log" ||
            fail "$arch: the signature has no timestamp that verifies"
    fi
    if osslsigncode verify -CAfile "$work/stranger.pem" ${tsa_trust[@]+"${tsa_trust[@]}"} \
        -in "$signed" >/dev/null 2>&1; then
        fail "$arch: the signature verifies against a certificate that did not make it"
    fi
    # One byte changed in the middle of the code: the signature's digest no longer matches.
    cp "$signed" "$dir/tampered.exe"
    offset=$(($(stat -c %s "$unsigned") / 2))
    byte=$(od -An -tu1 -j"$offset" -N1 "$dir/tampered.exe" | tr -d ' ')
    printf "\\$(printf '%03o' $(((byte + 1) % 256)))" |
        dd of="$dir/tampered.exe" bs=1 seek="$offset" conv=notrunc status=none
    if osslsigncode verify -CAfile "$work/signer.pem" ${tsa_trust[@]+"${tsa_trust[@]}"} \
        -in "$dir/tampered.exe" >/dev/null 2>&1; then
        fail "$arch: a changed exe still verifies"
    fi

    osslsigncode remove-signature -in "$signed" -out "$dir/removed.exe" >/dev/null
    if cmp "$unsigned" "$dir/removed.exe"; then
        echo "$arch: signed, verified, and without its signature byte-identical to the unsigned" \
            "exe."
    else
        # What remove-signature can change: the file's length, if the signature was appended
        # after padding to 8 bytes, and the PE checksum, which it computes afresh.
        checksum=$(($(od -An -tu4 -j60 -N4 "$unsigned" | tr -d ' ') + 88))
        fail "$arch: without its signature, the exe differs from the unsigned one" \
            "(sizes $(stat -c %s "$unsigned") and $(stat -c %s "$dir/removed.exe");" \
            "the PE checksum is at byte $checksum; differing bytes: $(cmp -l "$unsigned" \
            "$dir/removed.exe" 2>/dev/null | head -5 | awk '{printf "%d ", $1 - 1}'))"
    fi
    signed_exes+=("$arch:$signed")
done

# Each signed exe under Wine, with no window manager, through the tests' own show_windows: it
# fails unless the program's main window comes up, and its Info window beside it.
if [ ${#signed_exes[@]} -gt 0 ]; then
    source "$root/tools/wine-env.sh" "${VORLAX_SIGNING_PREFIX:-$work/wineprefix}"
    prefix=$WINEPREFIX
    wine_prepare_prefix unmanaged
    for entry in "${signed_exes[@]}"; do
        arch=${entry%%:*}
        signed=${entry#*:}
        if [ "$arch" = x86 ] && ! wine_runs_32bit; then
            echo "SKIPPED: the signed x86 exe under Wine. This machine's kernel cannot run 32-bit"
            echo "programs, and Wine's 32-bit loader is one."
            continue
        fi
        if echo | timeout 120 wine "$show_windows" "$signed" >"$work/windows.txt" 2>&1 &&
            grep -q '^main ' "$work/windows.txt"; then
            echo "$arch: the signed exe started and showed its main and Info windows."
        else
            fail "$arch: the signed exe showed no main window: $(tr -d '\r' <"$work/windows.txt")"
        fi
    done
fi

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed."
    exit 1
fi
echo "Every check passed."
