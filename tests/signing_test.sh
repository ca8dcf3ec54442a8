#!/usr/bin/env bash
# Signs exes as tools/release.sh does, offline, through PKCS#11: a SoftHSM2 token made here, a
# key generated inside it (never exported), a throwaway root that issues its certificate, and a
# throwaway RFC 3161 timestamp server on this machine, behind one that fails (the fallback is
# taken). tools/sign-exe.sh signs each exe through the module; then tools/verify-release.sh must
# pass with that root pinned and the expected subject, and fail with a self-signed certificate
# of the same key and subject (the signer's own chain is not trusted), with another subject,
# with a timestamp authority that is not trusted, with one byte of the exe changed, and against
# an unsigned exe that is not this one; with no timestamp server answering, nothing is signed.
# Removing the signature gives back the unsigned exe byte for byte. Then each signed exe is started under Wine, on a virtual screen of its own, and must
# show its windows; x86 exes only where this machine runs 32-bit programs. Takes seconds, plus
# the making of the Wine prefix on the first run.
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
    -addext "basicConstraints=critical,CA:TRUE" -addext "keyUsage=critical,keyCertSign" \
    -keyout "$work/root.key" -out "$work/root.pem" 2>/dev/null
printf 'basicConstraints=critical,CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' \
    >"$work/signer.ext"
openssl x509 -req -in "$work/signer.csr" -CA "$work/root.pem" -CAkey "$work/root.key" \
    -set_serial 2 -days 2 -extfile "$work/signer.ext" -out "$work/signer.pem" 2>/dev/null
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
export VORLAX_TIMESTAMP_URL="http://127.0.0.1:$port/down http://127.0.0.1:$port/"
verify() { # FILE ARGUMENTS...
    local file=$1
    shift
    "$root/tools/verify-release.sh" --root "$work/root.pem" --subject "$subject" \
        --tsa-roots "$work/tsa.pem" "$@" "$file"
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

    # The release's check passes, as an exe, in a ZIP, and against a SHA256SUMS.
    verify "$signed" --unsigned "$unsigned" >"$dir/verify.log" ||
        fail "$arch: verification with the root pinned: $(cat "$dir/verify.log")"
    (cd "$dir/signed" && python3 -m zipfile -c "$dir/release.zip" "Vorlax Demo Fixer.exe")
    case $arch in x64) sums_arch=win64 ;; *) sums_arch=win32 ;; esac
    (cd "$dir" && mkdir "$sums_arch-unsigned" && cp "$unsigned" "$sums_arch-unsigned/" &&
        sha256sum "$sums_arch-unsigned/Vorlax Demo Fixer.exe" >SHA256SUMS)
    verify "$dir/release.zip" --sums "$dir/SHA256SUMS" >"$dir/verify.log" ||
        fail "$arch: verification of the ZIP against SHA256SUMS: $(cat "$dir/verify.log")"

    # ... and fails on each fault it is there to catch.
    VORLAX_SIGN_CHAIN="$work/self-signed.pem" "$root/tools/sign-exe.sh" "$unsigned" \
        "$dir/self-signed/Vorlax Demo Fixer.exe" >/dev/null ||
        fail "$arch: signing with the self-signed certificate"
    if verify "$dir/self-signed/Vorlax Demo Fixer.exe" --unsigned "$unsigned" >/dev/null; then
        fail "$arch: a signature by a self-signed certificate verifies"
    fi
    "$root/tools/verify-release.sh" --root "$work/self-signed.pem" --subject "$subject" \
        --tsa-roots "$work/tsa.pem" --unsigned "$unsigned" \
        "$dir/self-signed/Vorlax Demo Fixer.exe" >/dev/null ||
        fail "$arch: the self-signed signature does not verify even with its own certificate as root"
    if "$root/tools/verify-release.sh" --root "$work/root.pem" \
        --subject "/CN=Vorlax test someone else" --tsa-roots "$work/tsa.pem" \
        --unsigned "$unsigned" "$signed" >/dev/null; then
        fail "$arch: the signature passes for another subject"
    fi
    if verify "$signed" --unsigned "$unsigned" --tsa-roots "$work/other-tsa.pem" >/dev/null; then
        fail "$arch: the timestamp verifies against a timestamp authority that did not make it"
    fi
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
    if verify "$dir/changed.exe" --unsigned "$unsigned" >/dev/null; then
        fail "$arch: an exe with one byte changed verifies"
    fi
    if verify "$signed" --unsigned "$show_windows" >/dev/null; then
        fail "$arch: the signed exe passes as another unsigned exe"
    fi

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
