#!/usr/bin/env bash
# Signs exes as tools/release.sh does, offline, through PKCS#11: a SoftHSM2 token made here, a
# key generated inside it (never exported), a throwaway root that issues its certificate, and a
# throwaway RFC 3161 timestamp server on this machine, behind one that fails (the fallback is
# taken). tools/sign-exe.sh signs each exe through the module; then tools/verify-release.sh must
# pass with that root pinned and the expected subject, as an exe, as a release ZIP and against a
# SHA256SUMS, and fail, each time with its own message, with:
#   a self-signed certificate of the same key and subject (the signer's own chain is not
#   trusted), another subject, a timestamp authority that is not trusted, one byte of the exe
#   changed, an unsigned exe that is not this one, a CRL that revokes the signer (one that
#   revokes nothing passes); a second signature nested in the first, a signature without a
#   timestamp (osslsigncode's own verify passes both); 64 bytes added inside the certificate
#   table, its lengths and the PE checksum made to match; a ZIP holding a version.dll and a
#   manifest beside the exe, one holding the exe twice (another program first), one named for
#   the other architecture, and one whose own SHA-256 is not the listed one.
# With no timestamp server answering, nothing is signed. Removing the signature gives back the
# unsigned exe byte for byte. Then each signed exe is started under Wine, on a virtual screen of
# its own, and must show its windows; x86 exes only where this machine runs 32-bit programs.
# Takes seconds, plus the making of the Wine prefix on the first run.
# Usage: tests/signing_test.sh SHOW_WINDOWS.exe EXE...   (unsigned x64 or x86 builds of the
#        program, and the tests' show_windows.exe of the same build)
#   VORLAX_SIGNING_PREFIX  the Wine prefix to use, made if missing (default: a new one, removed
#                          afterwards)
set -euo pipefail
root="$(realpath "$(dirname "$0")/..")"
usage="Usage: tests/signing_test.sh SHOW_WINDOWS.exe EXE..."
case ${1:-} in
    -h | --help) echo "$usage"; exit 0 ;;
    -*) echo "$usage" >&2; exit 2 ;;
esac
[ $# -gt 1 ] || { echo "$usage" >&2; exit 2; }
for file in "$@"; do
    [ -f "$file" ] || { echo "signing_test: no file $file" >&2; exit 2; }
done
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
server=
cleanup() {
    [ -z "$server" ] || kill "$server" 2>/dev/null || true
    # Only this test's own prefix's server: the caller's WINEPREFIX may be another's.
    [ -z "$prefix" ] || WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
echo "$(osslsigncode --version 2>&1 | head -n1 | sed "s/, using://"), SoftHSM2 $(softhsm2-util --version)"

# The token, and the key generated in it.
module=/usr/lib/softhsm/libsofthsm2.so
export SOFTHSM2_CONF="$work/softhsm2.conf"
mkdir "$work/tokens"
printf 'directories.tokendir = %s\nobjectstore.backend = file\nlog.level = ERROR\n' \
    "$work/tokens" >"$SOFTHSM2_CONF"
pin=271828
softhsm2-util --init-token --free --label "Vorlax test token" --pin "$pin" --so-pin 314159 \
    >/dev/null
pkcs11-tool --module "$module" --token-label "Vorlax test token" --login --pin "$pin" \
    --keypairgen --key-type rsa:2048 --label "code signing" --id 01 >/dev/null
key_uri="pkcs11:token=Vorlax%20test%20token;object=code%20signing;type=private"
pkcs11-tool --module "$module" --token-label "Vorlax test token" --login --pin "$pin" \
    --list-objects --type privkey >"$work/key.txt"
grep -q "never extractable" "$work/key.txt" || fail "the token's key can be exported"

# OpenSSL reaches the key through the pkcs11 engine, to have its certificates made.
cat >"$work/engine.cnf" <<EOF
openssl_conf = openssl_init
[openssl_init]
engines = engines
[engines]
pkcs11 = pkcs11
[pkcs11]
engine_id = pkcs11
MODULE_PATH = $module
PIN = $pin
init = 0
EOF
with_token() {
    OPENSSL_CONF="$work/engine.cnf" openssl "$@" -engine pkcs11 -keyform engine -key "$key_uri" \
        2>"$work/openssl.log" || { cat "$work/openssl.log" >&2; return 1; }
}
subject="/CN=Vorlax test publisher"
with_token req -new -subj "$subject" -out "$work/signer.csr"
# The same key and subject, self-signed: what a signer could bring along as its own root.
with_token req -x509 -days 2 -subj "$subject" -addext "extendedKeyUsage=codeSigning" \
    -out "$work/self-signed.pem"

# The throwaway root, which issues the signing certificate; and a timestamp authority.
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Vorlax test root" \
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign,cRLSign" \
    -keyout "$work/root.key" -out "$work/root.pem" 2>/dev/null
printf 'basicConstraints=critical,CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' \
    >"$work/signer.ext"
openssl x509 -req -in "$work/signer.csr" -CA "$work/root.pem" -CAkey "$work/root.key" \
    -set_serial 2 -days 2 -extfile "$work/signer.ext" -out "$work/signer.pem" 2>/dev/null
# The root's revocation lists: one that revokes nothing, one that revokes the signer.
for list in none signer; do
    mkdir "$work/crl-$list"
    touch "$work/crl-$list/index.txt"
    printf '[ca]\ndefault_ca = root\n[root]\ndatabase = %s/index.txt\ncrlnumber = %s/number\ndefault_md = sha256\ndefault_crl_days = 2\n' \
        "$work/crl-$list" "$work/crl-$list" >"$work/crl-$list/ca.cnf"
    echo 01 >"$work/crl-$list/number"
    [ "$list" = none ] || openssl ca -config "$work/crl-$list/ca.cnf" -keyfile "$work/root.key" \
        -cert "$work/root.pem" -revoke "$work/signer.pem" 2>/dev/null
    openssl ca -config "$work/crl-$list/ca.cnf" -keyfile "$work/root.key" -cert "$work/root.pem" \
        -gencrl -out "$work/revokes-$list.crl" 2>/dev/null
done
for name in tsa other-tsa; do
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Vorlax test $name" \
        -addext "keyUsage=critical,digitalSignature" \
        -addext "extendedKeyUsage=critical,timeStamping" \
        -keyout "$work/$name.key" -out "$work/$name.pem" 2>/dev/null
done
cat >"$work/tsa.cnf" <<EOF
[tsa]
default_tsa = tsa
serial = $work/tsa.serial
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256
ess_cert_id_alg = sha256
EOF

# The timestamp server: openssl ts answers each query; a request to /down gets an error, as
# from a server that is down. It prints its port once it listens, and logs each request's path.
cat >"$work/tsa.py" <<'EOF'
import http.server, os, subprocess, sys
work = sys.argv[1]
class Handler(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        query = self.rfile.read(int(self.headers["Content-Length"]))
        with open(os.path.join(work, "requests.log"), "a") as log:
            print(self.path, file=log)
        if self.path == "/down":
            self.send_error(503)
            return
        with open(os.path.join(work, "query.tsq"), "wb") as f:
            f.write(query)
        subprocess.run(["openssl", "ts", "-reply", "-config", os.path.join(work, "tsa.cnf"),
                        "-queryfile", os.path.join(work, "query.tsq"),
                        "-inkey", os.path.join(work, "tsa.key"),
                        "-signer", os.path.join(work, "tsa.pem"),
                        "-out", os.path.join(work, "reply.tsr")],
                       check=True, stderr=subprocess.DEVNULL)
        with open(os.path.join(work, "reply.tsr"), "rb") as f:
            reply = f.read()
        self.send_response(200)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)
    def log_message(self, *args):
        pass
server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
print(server.server_address[1], flush=True)
server.serve_forever()
EOF
mkfifo "$work/port"
python3 "$work/tsa.py" "$work" >"$work/port" &
server=$!
read -r port <"$work/port"
export no_proxy="127.0.0.1${no_proxy:+,$no_proxy}" NO_PROXY="127.0.0.1${NO_PROXY:+,$NO_PROXY}"

export VORLAX_PKCS11_MODULE=$module VORLAX_SIGN_KEY=$key_uri VORLAX_SIGN_PIN=$pin
printf '%s' "$pin" >"$work/pin"
export VORLAX_TIMESTAMP_URL="http://127.0.0.1:$port/down http://127.0.0.1:$port/"
verify() { # FILE ARGUMENTS...
    local file=$1
    shift
    "$root/tools/verify-release.sh" --root "$work/root.pem" --subject "$subject" \
        --tsa-roots "$work/tsa.pem" "$@" "$file"
}

rejects() { # WHAT MESSAGE FILE ARGUMENTS...: verify-release.sh must fail, saying MESSAGE
    local what=$1 message=$2
    shift 2
    if verify "$@" >"$work/rejected.log"; then
        fail "$arch: passes with $what"
    elif ! grep -qF -- "$message" "$work/rejected.log"; then
        fail "$arch: with $what, does not say \"$message\": $(cat "$work/rejected.log")"
    fi
}
# osslsigncode through the token, without tools/sign-exe.sh's care, as an attacker with the key
# could use it.
sign_directly() {
    osslsigncode sign -pkcs11module "$module" -key "$key_uri" -readpass "$work/pin" \
        -certs "$work/signer.pem" -h sha256 "$@" >"$work/sign.log" 2>&1 ||
        { cat "$work/sign.log" >&2; fail "$arch: osslsigncode sign $*"; }
}
make_zip() { # ZIP NAME=FILE...: names as given, duplicates too
    mkdir -p "$(dirname "$1")"
    python3 - "$@" <<'PY'
import sys, warnings, zipfile
warnings.simplefilter("ignore")  # "Duplicate name"
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED) as z:
    for member in sys.argv[2:]:
        name, path = member.split("=", 1)
        z.write(path, name)
PY
}
# Adds 64 bytes at the end of the certificate table, its entry's and directory's lengths made to
# match, and the PE checksum written afresh: bytes no signature covers.
pad_certificate_table() { # SIGNED OUT
    python3 - "$1" "$2" <<'PY'
import struct, sys
d = bytearray(open(sys.argv[1], "rb").read())
pe = struct.unpack_from("<I", d, 60)[0]
optional = pe + 24
directories = optional + (96 if struct.unpack_from("<H", d, optional)[0] == 0x10B else 112)
offset, size = struct.unpack_from("<II", d, directories + 4 * 8)
assert offset + size == len(d)
struct.pack_into("<I", d, offset, struct.unpack_from("<I", d, offset)[0] + 64)
struct.pack_into("<I", d, directories + 4 * 8 + 4, size + 64)
d += b"planted payload, outside every hash".ljust(64, b"!")
checksum_at = optional + 64
struct.pack_into("<I", d, checksum_at, 0)
total = 0
for (word,) in struct.iter_unpack("<H", bytes(d) + b"\0" * (len(d) % 2)):
    total += word
    total = (total & 0xFFFF) + (total >> 16)
struct.pack_into("<I", d, checksum_at, (total + len(d)) & 0xFFFFFFFF)
open(sys.argv[2], "wb").write(d)
PY
}

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
    mkdir -p "$dir/unsigned" "$dir/signed" "$dir/self-signed"
    unsigned="$dir/unsigned/Vorlax Demo Fixer.exe"
    signed="$dir/signed/Vorlax Demo Fixer.exe"
    cp "$exe" "$unsigned"
    if osslsigncode extract-signature -in "$unsigned" -out "$dir/existing.sig" >/dev/null 2>&1; then
        fail "$exe is signed already: give the unsigned build"
        continue
    fi
    echo "== $arch: $exe"
    : >"$work/requests.log"
    if ! VORLAX_SIGN_CHAIN="$work/signer.pem" "$root/tools/sign-exe.sh" "$unsigned" "$signed"
    then
        fail "$arch: tools/sign-exe.sh"
        continue
    fi
    [ "$(tr '\n' ' ' <"$work/requests.log")" = "/down / " ] ||
        fail "$arch: the timestamp servers asked were not the failing one, then the next:" \
            "$(tr '\n' ' ' <"$work/requests.log")"
    if cmp -s "$unsigned" "$signed"; then
        fail "$arch: the signed exe is the unsigned one"
    fi

    # The release's check passes, as an exe, and as a ZIP against a SHA256SUMS.
    verify "$signed" --unsigned "$unsigned" >"$dir/verify.log" ||
        fail "$arch: verification with the root pinned: $(cat "$dir/verify.log")"
    case $arch in x64) sums_arch=win64 other_arch=win32 ;; *) sums_arch=win32 other_arch=win64 ;; esac
    printf 'The README.\r\n' >"$dir/README.txt"
    printf 'The licence.\r\n' >"$dir/LICENSE.txt"
    release_zip="$dir/VorlaxDemoFixer-test-$sums_arch.zip"
    make_zip "$release_zip" "Vorlax Demo Fixer.exe=$signed" "README.txt=$dir/README.txt" \
        "LICENSE.txt=$dir/LICENSE.txt"
    (cd "$dir" && mkdir "$sums_arch-unsigned" "$sums_arch" && cp "$unsigned" "$sums_arch-unsigned/" &&
        cp "$signed" "$sums_arch/" &&
        sha256sum "$sums_arch-unsigned/Vorlax Demo Fixer.exe" "$sums_arch/Vorlax Demo Fixer.exe" \
            "$(basename "$release_zip")" >SHA256SUMS)
    verify "$release_zip" --sums "$dir/SHA256SUMS" >"$dir/verify.log" ||
        fail "$arch: verification of the ZIP against SHA256SUMS: $(cat "$dir/verify.log")"
    grep -qF "without its signature: matches the SHA-256 listed for $sums_arch-unsigned/Vorlax Demo Fixer.exe in $dir/SHA256SUMS" "$dir/verify.log" ||
        fail "$arch: the success lines do not say what was matched: $(cat "$dir/verify.log")"

    # ... and fails on each fault it is there to catch, naming it.
    VORLAX_SIGN_CHAIN="$work/self-signed.pem" "$root/tools/sign-exe.sh" "$unsigned" \
        "$dir/self-signed/Vorlax Demo Fixer.exe" >/dev/null ||
        fail "$arch: signing with the self-signed certificate"
    rejects "a signature by a self-signed certificate" "the signature does not verify against" \
        "$dir/self-signed/Vorlax Demo Fixer.exe" --unsigned "$unsigned"
    "$root/tools/verify-release.sh" --root "$work/self-signed.pem" --subject "$subject" \
        --tsa-roots "$work/tsa.pem" --unsigned "$unsigned" \
        "$dir/self-signed/Vorlax Demo Fixer.exe" >/dev/null ||
        fail "$arch: the self-signed signature does not verify even with its own certificate as root"
    rejects "another subject" "signed by \"$subject\", not \"/CN=Vorlax test someone else\"" \
        "$signed" --unsigned "$unsigned" --subject "/CN=Vorlax test someone else"
    verify "$signed" --unsigned "$unsigned" --crl "$work/revokes-none.crl" >"$dir/verify.log" ||
        fail "$arch: verification against a CRL that revokes nothing: $(cat "$dir/verify.log")"
    rejects "the signer's certificate revoked" "its signer's certificate is revoked, says" \
        "$signed" --unsigned "$unsigned" --crl "$work/revokes-signer.crl"
    rejects "an untrusted timestamp authority" "the timestamp does not verify against" \
        "$signed" --unsigned "$unsigned" --tsa-roots "$work/other-tsa.pem"
    # No timestamp server answering: no signature at all, rather than one without a timestamp.
    if VORLAX_SIGN_CHAIN="$work/signer.pem" VORLAX_TIMESTAMP_URL="http://127.0.0.1:$port/down" \
        "$root/tools/sign-exe.sh" "$unsigned" "$dir/unstamped.exe" >/dev/null 2>&1 ||
        [ -e "$dir/unstamped.exe" ]; then
        fail "$arch: signed, or left a file, with no timestamp server answering"
    fi
    cp "$signed" "$dir/changed.exe"
    offset=$(($(stat -c %s "$unsigned") / 2))
    byte=$(od -An -tu1 -j"$offset" -N1 "$dir/changed.exe" | tr -d ' ')
    # shellcheck disable=SC2059 # the format is the one byte, as an octal escape
    printf "\\$(printf '%03o' $(((byte + 1) % 256)))" |
        dd of="$dir/changed.exe" bs=1 seek="$offset" conv=notrunc status=none
    rejects "one byte changed" "the signature does not verify against" \
        "$dir/changed.exe" --unsigned "$unsigned"
    rejects "another unsigned exe" "without its signature, it is not $show_windows" \
        "$signed" --unsigned "$show_windows"

    # Where osslsigncode's own verify passes, the script's checks stand alone: a second
    # signature nested in the first, and a signature without a timestamp.
    sign_directly -nest -ts "http://127.0.0.1:$port/" -in "$signed" -out "$dir/nested.exe"
    rejects "a nested second signature" "has 2 signatures (nested), not one" \
        "$dir/nested.exe" --unsigned "$unsigned"
    sign_directly -in "$unsigned" -out "$dir/no-timestamp.exe"
    rejects "a signature without a timestamp" "the signature has no timestamp" \
        "$dir/no-timestamp.exe" --unsigned "$unsigned"
    pad_certificate_table "$signed" "$dir/padded.exe"
    rejects "64 bytes added in the certificate table" \
        "its certificate table holds 64 bytes beyond the signature and its padding" \
        "$dir/padded.exe" --unsigned "$unsigned"

    # The whole download: exactly the release's members, each once, of the architecture named.
    make_zip "$dir/planted/VorlaxDemoFixer-test-$sums_arch.zip" \
        "Vorlax Demo Fixer.exe=$signed" "README.txt=$dir/README.txt" \
        "LICENSE.txt=$dir/LICENSE.txt" "version.dll=$show_windows" \
        "Vorlax Demo Fixer.exe.manifest=$dir/README.txt"
    rejects "a ZIP with a planted DLL" "holds \"version.dll\", which is not one of the release's files" \
        "$dir/planted/VorlaxDemoFixer-test-$sums_arch.zip" --unsigned "$unsigned"
    make_zip "$dir/twice/VorlaxDemoFixer-test-$sums_arch.zip" \
        "Vorlax Demo Fixer.exe=$show_windows" "Vorlax Demo Fixer.exe=$signed" \
        "README.txt=$dir/README.txt" "LICENSE.txt=$dir/LICENSE.txt"
    rejects "a ZIP holding the exe twice" "holds \"Vorlax Demo Fixer.exe\" 2 times" \
        "$dir/twice/VorlaxDemoFixer-test-$sums_arch.zip" --unsigned "$unsigned"
    mkdir -p "$dir/renamed"
    cp "$release_zip" "$dir/renamed/VorlaxDemoFixer-test-$other_arch.zip"
    rejects "a ZIP named for the other architecture" \
        "its name says $other_arch, but its exe is a $sums_arch one" \
        "$dir/renamed/VorlaxDemoFixer-test-$other_arch.zip" --unsigned "$unsigned"
    make_zip "$dir/repacked/VorlaxDemoFixer-test-$sums_arch.zip" \
        "README.txt=$dir/README.txt" "LICENSE.txt=$dir/LICENSE.txt" \
        "Vorlax Demo Fixer.exe=$signed"
    rejects "a ZIP other than the one listed" "not the $(sha256sum "$release_zip" | cut -d' ' -f1) listed for $(basename "$release_zip") in $dir/SHA256SUMS" \
        "$dir/repacked/VorlaxDemoFixer-test-$sums_arch.zip" --sums "$dir/SHA256SUMS"

    osslsigncode remove-signature -in "$signed" -out "$dir/removed.exe" >/dev/null
    if cmp "$unsigned" "$dir/removed.exe"; then
        echo "$arch: signed through PKCS#11, verified, and without its signature byte-identical to" \
            "the unsigned exe."
    else
        fail "$arch: without its signature, the exe differs from the unsigned one"
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
