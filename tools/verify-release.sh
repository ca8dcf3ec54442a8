#!/usr/bin/env bash
# Checks signed exes of a release, trusting nothing the signer brings along: for each exe (or the
# exe in each release ZIP) it fails unless there is exactly one Authenticode signature, SHA-256,
# that verifies against the pinned root alone (the certificates inside the signature are only
# the path to it), whose signer's subject is the expected publisher's, with an RFC 3161
# timestamp that verifies against the timestamp authorities' roots, and unless the exe without
# its signature is byte-identical to the unsigned exe of the same tag: one built locally
# (--unsigned) or the one whose SHA-256 a SHA256SUMS file lists under win64-unsigned/ or
# win32-unsigned/ (--sums; the one tools/release.sh writes when you build the tag yourself, or
# the release's own).
# Usage: tools/verify-release.sh [--root ROOT.pem] [--subject SUBJECT] [--tsa-roots FILE]
#                                (--sums SHA256SUMS | --unsigned EXE) FILE...
#   --root       the code-signing root to trust (default: docs/code-signing-root.pem, the root
#                the repository publishes once the project has a certificate)
#   --subject    the signer's subject as osslsigncode prints it, e.g. "/C=DE/O=Vorlax/CN=Vorlax"
#                (default: the line in docs/code-signing-subject.txt)
#   --tsa-roots  the timestamp authorities' roots (default: the system's, /etc/ssl/certs/ca-certificates.crt)
set -euo pipefail
root_dir="$(realpath "$(dirname "$0")/..")"
usage() {
    echo "Usage: tools/verify-release.sh [--root ROOT.pem] [--subject SUBJECT] [--tsa-roots FILE]" \
        "(--sums SHA256SUMS | --unsigned EXE) FILE..." >&2
    exit 2
}
root='' subject='' tsa_roots=/etc/ssl/certs/ca-certificates.crt sums='' unsigned=''
while [ $# -gt 0 ]; do
    case $1 in
        --root) root=${2:?}; shift 2 ;;
        --subject) subject=${2:?}; shift 2 ;;
        --tsa-roots) tsa_roots=${2:?}; shift 2 ;;
        --sums) sums=${2:?}; shift 2 ;;
        --unsigned) unsigned=${2:?}; shift 2 ;;
        --) shift; break ;;
        -*) usage ;;
        *) break ;;
    esac
done
[ $# -gt 0 ] || usage
[ -n "$sums" ] || [ -n "$unsigned" ] || usage
if [ -z "$root" ]; then
    root=$root_dir/docs/code-signing-root.pem
    [ -f "$root" ] || { echo "verify-release: the repository publishes no code-signing root yet" \
        "(docs/code-signing-root.pem): give the root to trust with --root" >&2; exit 2; }
fi
if [ -z "$subject" ]; then
    [ -f "$root_dir/docs/code-signing-subject.txt" ] || { echo "verify-release: the repository" \
        "names no publisher yet (docs/code-signing-subject.txt): give it with --subject" >&2
        exit 2; }
    subject=$(head -n1 "$root_dir/docs/code-signing-subject.txt")
fi
for file in "$root" "$tsa_roots" ${sums:+"$sums"} ${unsigned:+"$unsigned"}; do
    [ -f "$file" ] || { echo "verify-release: no file $file" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}

# The PE machine field: 8664 for x64, 014c for x86.
machine() {
    local pe
    pe=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
    od -An -tx2 -j$((pe + 4)) -N2 "$1" | tr -d ' '
}

n=0
for file in "$@"; do
    n=$((n + 1))
    exe=$file
    if [[ "$file" == *.zip ]]; then
        mkdir "$work/$n"
        unzip -q "$file" "Vorlax Demo Fixer.exe" -d "$work/$n" ||
            { fail "$file holds no Vorlax Demo Fixer.exe"; continue; }
        exe="$work/$n/Vorlax Demo Fixer.exe"
    fi
    log="$work/$n.log"
    if ! osslsigncode verify -CAfile "$root" -TSA-CAfile "$tsa_roots" -in "$exe" >"$log" 2>&1; then
        fail "$file: the signature does not verify against $root: $(grep -v '^$' "$log" | tail -3 | tr '\n' ' ')"
        continue
    fi
    # osslsigncode succeeds with a timestamp it could not verify, and checks nested signatures
    # too: each is checked here.
    [ "$(grep -c '^Signature Index:' "$log")" -eq 1 ] ||
        fail "$file: has $(grep -c '^Signature Index:' "$log") signatures, not one"
    grep -q "^Message digest algorithm *: SHA256" "$log" ||
        fail "$file: the signature's digest is not SHA-256"
    signer=$(awk '/^Signer.s certificate:/ { inside = 1; next }
                  inside && /Subject:/ { sub(/^[ \t]*Subject: */, ""); print; exit }' "$log")
    [ "$signer" = "$subject" ] || fail "$file: signed by \"$signer\", not \"$subject\""
    # osslsigncode 2.5 (Debian 12) says so in a line of its own; 2.9 (Debian 13) gives its time.
    grep -qE "^The signature is timestamped|^[[:space:]]*Timestamp time:" "$log" ||
        fail "$file: the signature has no timestamp"
    grep -q "^Timestamp Server Signature verification: ok" "$log" ||
        fail "$file: the timestamp does not verify against $tsa_roots"

    osslsigncode remove-signature -in "$exe" -out "$work/$n.exe" >/dev/null 2>&1 ||
        { fail "$file: osslsigncode cannot remove its signature"; continue; }
    if [ -n "$unsigned" ]; then
        cmp -s "$work/$n.exe" "$unsigned" ||
            fail "$file: without its signature, it is not $unsigned byte for byte"
    else
        case $(machine "$work/$n.exe") in
            8664) arch=win64 ;;
            014c) arch=win32 ;;
            *) fail "$file: not an x64 or x86 Windows program"; continue ;;
        esac
        expected=$(awk -v name="$arch-unsigned/Vorlax Demo Fixer.exe" \
            '{ hash = $1; sub(/^[0-9a-f]+ [ *]/, "") } $0 == name { print hash }' "$sums")
        [ -n "$expected" ] || { fail "$sums lists no $arch-unsigned/Vorlax Demo Fixer.exe"; continue; }
        actual=$(sha256sum "$work/$n.exe" | cut -d' ' -f1)
        [ "$actual" = "$expected" ] || fail "$file: without its signature, its SHA-256 is" \
            "$actual, not the unsigned $arch exe's $expected in $sums"
    fi
done

if [ "$failures" -gt 0 ]; then
    echo "verify-release: $failures check(s) failed."
    exit 1
fi
echo "verify-release: $# file(s) signed by \"$subject\" under $root, timestamped, and without" \
    "the signature the unsigned build, byte for byte."
