#!/usr/bin/env bash
# Checks a signed release as it is downloaded, trusting nothing the signer brings along. Each
# FILE is a release ZIP or a signed exe. A ZIP must hold exactly the release's members, each
# once, and its exe must be for the architecture its name says (-win64 or -win32). The exe must
# carry exactly one Authenticode signature, SHA-256, that verifies against the pinned root alone
# (the certificates inside the signature are only the path to it), whose signer's subject is the
# publisher's, with an RFC 3161 timestamp that verifies against the timestamp authorities' roots;
# its certificate table must hold that signature and its zero padding and nothing else, and its
# PE checksum must be right (those are the only bytes the signature does not cover). Without its
# signature, the exe must be the unsigned build: the exe given with --unsigned, byte for byte,
# or the one whose SHA-256 a SHA256SUMS lists under win64-unsigned/ or win32-unsigned/ (--sums),
# which must also list the ZIP's own SHA-256 and the signed exe's (win64/, win32/).
#
# What this proves, and what it does not, is in docs/verifying.md. In short: the signature ties
# the exe to whoever holds the key the pinned root certified; only a SHA256SUMS from your own
# build of the tag (tools/release.sh), or --unsigned with your own build, ties it to the source.
# The release's own SHA256SUMS comes from the same page as the ZIPs.
#
# Revocation: osslsigncode 2.5 (Debian 12) reads no certificate revocation list by itself, so a
# revoked certificate passes; 2.9 (Debian 13) fetches the one the certificate names, and fails
# without a network. --crl FILE checks against a CRL you have fetched yourself, with either.
#
# Usage: tools/verify-release.sh [--root ROOT.pem] [--subject SUBJECT] [--tsa-roots FILE]
#                                [--crl CRL.pem] (--sums SHA256SUMS | --unsigned EXE) FILE...
#   --root       the code-signing root to trust (default: docs/code-signing-root.pem, the root
#                the repository publishes); its SHA-256 fingerprint is printed first
#   --subject    the signer's subject in the slash form, e.g. "/C=DE/O=Vorlax/CN=Vorlax"
#                (default: the first line of docs/code-signing-subject.txt)
#   --tsa-roots  the timestamp authorities' roots (default: the system's,
#                /etc/ssl/certs/ca-certificates.crt)
#   --crl        a PEM file of certificate revocation lists to check the signer's chain against
#   --sums       a SHA256SUMS as tools/release.sh writes it
#   --unsigned   an unsigned exe of the same tag and architecture, built by you
set -euo pipefail

# What a release ZIP holds, each exactly once, and nothing else.
zip_members=("Vorlax Demo Fixer.exe" "README.txt" "LICENSE.txt")
exe_name="Vorlax Demo Fixer.exe"

root_dir="$(realpath "$(dirname "$0")/..")"
usage() {
    echo "Usage: tools/verify-release.sh [--root ROOT.pem] [--subject SUBJECT]" \
        "[--tsa-roots FILE] [--crl CRL.pem] (--sums SHA256SUMS | --unsigned EXE) FILE..."
    echo "Checks signed release ZIPs or exes; see the comment at the top of this script and" \
        "docs/verifying.md."
}
bad_usage() {
    [ $# -eq 0 ] || echo "verify-release: $*" >&2
    usage >&2
    exit 2
}
root='' subject='' tsa_roots=/etc/ssl/certs/ca-certificates.crt crl='' sums='' unsigned=''
while [ $# -gt 0 ]; do
    case $1 in
        -h | --help) usage; exit 0 ;;
        --root | --subject | --tsa-roots | --crl | --sums | --unsigned)
            [ $# -ge 2 ] && [ -n "$2" ] || bad_usage "$1 needs a value"
            case $1 in
                --root) root=$2 ;;
                --subject) subject=$2 ;;
                --tsa-roots) tsa_roots=$2 ;;
                --crl) crl=$2 ;;
                --sums) sums=$2 ;;
                --unsigned) unsigned=$2 ;;
            esac
            shift 2 ;;
        --) shift; break ;;
        -*) bad_usage "unknown option $1" ;;
        *) break ;;
    esac
done
[ $# -gt 0 ] || bad_usage "no file to check"
[ -n "$sums" ] || [ -n "$unsigned" ] || bad_usage "give --sums or --unsigned"
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
for file in "$root" "$tsa_roots" ${crl:+"$crl"} ${sums:+"$sums"} ${unsigned:+"$unsigned"} "$@"; do
    [ -f "$file" ] || { echo "verify-release: no file $file" >&2; exit 2; }
done

# The pinned root: one certificate, named by the SHA-256 of its DER bytes (what
# `openssl x509 -noout -fingerprint -sha256` prints), to compare with where else it is published.
certificates=$(grep -c -- '-----BEGIN CERTIFICATE-----' "$root" || true)
[ "$certificates" -eq 1 ] || { echo "verify-release: $root holds $certificates certificates:" \
    "pin exactly one root" >&2; exit 2; }
fingerprint=$(sed -n '/-----BEGIN CERTIFICATE-----/,/-----END CERTIFICATE-----/p' "$root" |
    grep -v -- '-----' | base64 -d | sha256sum | cut -d' ' -f1 | tr a-f A-F |
    sed 's/../&:/g; s/:$//')
echo "Pinned root: $root"
echo "  SHA-256 fingerprint $fingerprint"
echo "Publisher: \"$subject\""

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}

u32() { od -An -tu4 -j"$2" -N4 "$1" | tr -d ' '; } # FILE OFFSET: little-endian
u16() { od -An -tu2 -j"$2" -N2 "$1" | tr -d ' '; }
bytes() { od -An -tu1 -v -j"$2" -N"$3" "$1" | tr -s ' \n' '  ' | sed 's/^ //; s/ $//'; }
sha256() { sha256sum "$1" | cut -d' ' -f1; }
listed() { # NAME: the SHA-256 that --sums lists for NAME, or nothing
    awk -v name="$1" '{ hash = $1; sub(/^[0-9a-f]+ [ *]/, "") } $0 == name { print hash }' "$sums"
}
# NAME FILE WHAT: FILE's SHA-256 is the one --sums lists for NAME; WHAT names FILE in the
# messages about the download $file.
check_listed() {
    local expected actual
    expected=$(listed "$1")
    actual=$(sha256 "$2")
    if [ -z "$expected" ]; then
        fail "$sums lists no $1"
    elif [ "$actual" != "$expected" ]; then
        fail "$file: $3: its SHA-256 is $actual, not the $expected listed for $1 in $sums"
    else
        notes+=("$3: matches the SHA-256 listed for $1 in $sums")
    fi
}

# Prints "ARCH PE-OFFSET" of an x64 or x86 Windows program, or fails.
pe_header() {
    local pe
    [ "$(stat -c %s "$1")" -ge 64 ] || return 1
    pe=$(u32 "$1" 60)
    [ "$(bytes "$1" "$pe" 4)" = "80 69 0 0" ] || return 1 # "PE\0\0"
    case $(u16 "$1" $((pe + 4))) in
        34404) echo "win64 $pe" ;; # 0x8664
        332) echo "win32 $pe" ;;   # 0x014c
        *) return 1 ;;
    esac
}

# Prints the PE checksum the exe holds, and the one of its bytes: the 16-bit words summed with
# their carries, the checksum field left out, plus the file's length.
pe_checksum() { # EXE PE-OFFSET
    local at=$(($2 + 24 + 64))
    printf '%08X ' "$(u32 "$1" "$at")"
    od -An -tu2 -v "$1" | awk -v skip=$((at / 2)) -v bytes="$(stat -c %s "$1")" '
        { for (i = 1; i <= NF; i++) { if (n != skip && n != skip + 1) sum += $i; n++ } }
        END { while (sum > 65535) sum = sum % 65536 + int(sum / 65536)
              printf "%08X\n", (sum + bytes) % 4294967296 }'
}

# The certificate table (the security data directory's bytes, at the end of the file) must be
# one WIN_CERTIFICATE holding the PKCS#7 signature, padded with zeros to a multiple of 8 bytes:
# none of these bytes is covered by the signature, and removing the signature drops them all.
# Prints what it holds, or a failure message, and returns 1 on failure.
check_certificate_table() { # EXE PE-OFFSET
    local exe=$1 pe=$2 optional magic directory offset size length type first second der_len
    local end padding
    optional=$((pe + 24))
    magic=$(u16 "$exe" "$optional")
    case $magic in
        267) directory=$((optional + 96 + 4 * 8)) ;;  # PE32, entry 4: the certificate table
        523) directory=$((optional + 112 + 4 * 8)) ;; # PE32+
        *) echo "its optional header is neither PE32 nor PE32+"; return 1 ;;
    esac
    offset=$(u32 "$exe" "$directory")
    size=$(u32 "$exe" $((directory + 4)))
    [ "$size" -gt 8 ] || { echo "it has no certificate table"; return 1; }
    [ $((offset + size)) -eq "$(stat -c %s "$exe")" ] || {
        echo "its certificate table (at $offset, $size bytes) is not at the end of the file," \
            "$(stat -c %s "$exe") bytes long"
        return 1
    }
    length=$(u32 "$exe" "$offset")
    type=$(u16 "$exe" $((offset + 6)))
    [ "$type" -eq 2 ] && [ "$length" -gt 8 ] && [ "$length" -le "$size" ] || {
        echo "its certificate table does not start with one PKCS#7 signature"
        return 1
    }
    # The signature's own DER length: a SEQUENCE, its length in the short or the long form.
    read -r first second <<<"$(bytes "$exe" $((offset + 8)) 2)"
    [ "$first" -eq 48 ] || { echo "its certificate table holds no DER signature"; return 1; }
    if [ "$second" -lt 128 ]; then
        der_len=$((2 + second))
    else
        local n=$((second - 128)) value=0 b
        [ "$n" -ge 1 ] && [ "$n" -le 4 ] || { echo "its signature's length is malformed"; return 1; }
        for b in $(bytes "$exe" $((offset + 10)) "$n"); do value=$((value * 256 + b)); done
        der_len=$((2 + n + value))
    fi
    end=$((8 + der_len))
    padding=$(((8 - end % 8) % 8))
    [ "$end" -le "$length" ] || { echo "its signature runs past its certificate entry"; return 1; }
    if [ "$size" -ne $((end + padding)) ] ||
        { [ "$length" -ne "$end" ] && [ "$length" -ne $((end + padding)) ]; }; then
        echo "its certificate table holds $((size - end - padding)) bytes beyond the signature" \
            "and its padding (table $size bytes, entry $length, signature $der_len)"
        return 1
    fi
    if [ "$padding" -gt 0 ] && [ -n "$(bytes "$exe" $((offset + end)) "$padding" | tr -d ' 0')" ]
    then
        echo "the padding after its signature is not zeros"
        return 1
    fi
    echo "the signature ($der_len bytes) and $padding bytes of zero padding, nothing else"
}

n=0
for file in "$@"; do
    n=$((n + 1))
    failed_before=$failures
    exe=$file
    notes=()
    named_arch=
    if [[ "$file" == *.zip ]]; then
        case $file in
            *-win64.zip) named_arch=win64 ;;
            *-win32.zip) named_arch=win32 ;;
            *) fail "$file: its name says neither win64 nor win32"; continue ;;
        esac
        if ! unzip -Z1 "$file" >"$work/$n.members" 2>"$work/$n.err" </dev/null ||
            ! unzip -tqq "$file" >>"$work/$n.err" 2>&1 </dev/null; then
            fail "$file: not a sound ZIP: $(tr '\n' ' ' <"$work/$n.err")"
            continue
        fi
        problems=0
        for member in "${zip_members[@]}"; do
            count=$(grep -cxF -- "$member" "$work/$n.members" || true)
            if [ "$count" -eq 0 ]; then
                fail "$file: lacks \"$member\""
                problems=$((problems + 1))
            elif [ "$count" -gt 1 ]; then
                fail "$file: holds \"$member\" $count times (unzip would ask which to keep)"
                problems=$((problems + 1))
            fi
        done
        while IFS= read -r member; do
            known=0
            for expected in "${zip_members[@]}"; do
                [ "$member" != "$expected" ] || known=1
            done
            [ "$known" -eq 1 ] || {
                fail "$file: holds \"$member\", which is not one of the release's files" \
                    "(${zip_members[*]})"
                problems=$((problems + 1))
            }
        done <"$work/$n.members"
        [ "$problems" -eq 0 ] || continue
        notes+=("members: exactly ${#zip_members[@]}, each once: ${zip_members[*]}")
        mkdir "$work/$n"
        # Each member is there once: nothing to ask.
        unzip -qq "$file" "$exe_name" -d "$work/$n" </dev/null ||
            { fail "$file: cannot unpack its $exe_name"; continue; }
        exe="$work/$n/$exe_name"
    fi

    if ! header=$(pe_header "$exe"); then
        fail "$file: its exe is not an x64 or x86 Windows program"
        continue
    fi
    read -r arch pe <<<"$header"
    if [ -n "$named_arch" ]; then
        [ "$arch" = "$named_arch" ] || {
            fail "$file: its name says $named_arch, but its exe is a $arch one"
            continue
        }
        notes+=("architecture: $arch, as its name says")
    else
        notes+=("architecture: $arch, read from the exe's header")
    fi

    log="$work/$n.log"
    if ! osslsigncode verify -CAfile "$root" -TSA-CAfile "$tsa_roots" ${crl:+-CRLfile "$crl"} \
        -in "$exe" >"$log" 2>&1; then
        if grep -q "certificate revoked" "$log"; then
            fail "$file: its signer's certificate is revoked, says $crl"
            continue
        fi
        fail "$file: the signature does not verify against $root: $(grep -v '^$' "$log" | tail -3 | tr '\n' ' ')"
        continue
    fi
    # osslsigncode succeeds with a timestamp it could not verify, or none, and with a second
    # signature nested in the first: each is checked here.
    signatures=$(grep -c '^Signature Index:' "$log" || true)
    [ "$signatures" -eq 1 ] || fail "$file: has $signatures signatures (nested), not one"
    grep -q "^Message digest algorithm *: SHA256" "$log" ||
        fail "$file: the signature's digest is not SHA-256"
    signer=$(awk '/^Signer.s certificate:/ { inside = 1; next }
                  inside && /Subject:/ { sub(/^[ \t]*Subject: */, ""); print; exit }' "$log")
    # osslsigncode 2.5 and 2.9 print "/C=DE/O=Vorlax/CN=Vorlax"; later ones print it as RFC 2253
    # has it, last part first, with commas in values escaped: "CN=Vorlax,O=Vorlax,C=DE".
    if [[ $signer != /* ]]; then
        signer=$(printf '%s\n' "$signer" | sed 's/\\,/\x01/g' |
            awk -F, '{ s = ""; for (i = NF; i >= 1; i--) s = s "/" $i; print s }' |
            sed 's/\x01/,/g')
    fi
    [ "$signer" = "$subject" ] || fail "$file: signed by \"$signer\", not \"$subject\""
    # osslsigncode 2.5 (Debian 12) says so in a line of its own; 2.9 (Debian 13) gives its time.
    if grep -qE "^The signature is timestamped|^[[:space:]]*Timestamp time:" "$log"; then
        grep -q "^Timestamp Server Signature verification: ok" "$log" ||
            fail "$file: the timestamp does not verify against $tsa_roots"
    else
        fail "$file: the signature has no timestamp"
    fi
    read -r stored computed <<<"$(pe_checksum "$exe" "$pe")"
    [ "$stored" = "$computed" ] ||
        fail "$file: its PE checksum is $stored, not the $computed of its bytes"
    if table=$(check_certificate_table "$exe" "$pe"); then
        notes+=("certificate table: $table")
    else
        fail "$file: $table"
    fi
    if [ -n "$crl" ]; then
        notes+=("revocation: the signer's chain checked against the CRLs in $crl")
    else
        notes+=("revocation: not checked here (see --crl)")
    fi
    notes+=("signature: one, SHA-256, by \"$subject\", verifying against the pinned root alone")
    notes+=("timestamp: verifies against $tsa_roots")

    if [ -n "$sums" ]; then
        [ "$exe" = "$file" ] || check_listed "$(basename "$file")" "$file" "the ZIP"
        check_listed "$arch/$exe_name" "$exe" "the signed exe"
    fi

    osslsigncode remove-signature -in "$exe" -out "$work/$n.exe" >/dev/null 2>&1 ||
        { fail "$file: osslsigncode cannot remove its signature"; continue; }
    if [ -n "$unsigned" ]; then
        if cmp -s "$work/$n.exe" "$unsigned"; then
            notes+=("without its signature: identical to $unsigned")
        else
            fail "$file: without its signature, it is not $unsigned"
        fi
    fi
    [ -z "$sums" ] ||
        check_listed "$arch-unsigned/$exe_name" "$work/$n.exe" "the exe without its signature"
    [ "$failures" -eq "$failed_before" ] || continue
    echo "$file:"
    printf '  %s\n' "${notes[@]}"
done

if [ "$failures" -gt 0 ]; then
    echo "verify-release: $failures check(s) failed."
    exit 1
fi
echo "verify-release: $# file(s) passed every check above, under the root with the SHA-256" \
    "fingerprint $fingerprint."
