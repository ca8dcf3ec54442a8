#!/usr/bin/env bash
# Builds the x64 and the x86 release, each twice in two folders, and checks that both builds of
# each exe are byte-identical. Given a key in a PKCS#11 token, signs each exe (tools/sign-exe.sh)
# after that check; then packs VorlaxDemoFixer-1.00-win64.zip and -win32.zip (the exe, README.md
# and LICENSE) in build/release and build/release-x86, and gathers what is published in
# build/publish: the two ZIPs, the build-info (VorlaxDemoFixer-1.00-build-info.txt: Debian's
# point release, the commit and the toolchain's package versions, tools/build-info.sh) and
# SHA256SUMS, which lists the ZIPs, the build-info, each exe as published (win64/, win32/) and
# each exe unsigned (win64-unsigned/, win32-unsigned/: the build anyone can make again from the
# same commit), laid out there so that `sha256sum -c SHA256SUMS` checks it. Signed exes are then
# checked by tools/verify-release.sh, against the root the repository publishes.
# Usage: tools/release.sh [BUILD-INFO]
#   BUILD-INFO  a release's build-info: before building, says where this machine's Debian,
#               checkout and toolchain differ from the ones that built that release
#   To sign: VORLAX_SIGN_KEY (the key's pkcs11: URI), VORLAX_PKCS11_MODULE, VORLAX_SIGN_CHAIN,
#   VORLAX_SIGN_PIN and VORLAX_TIMESTAMP_URL (see tools/sign-exe.sh), and VORLAX_SIGN_SUBJECT,
#   the publisher's subject the signatures must name (VORLAX_SIGN_ROOT: the root to check them
#   against, if not docs/code-signing-root.pem; VORLAX_TSA_ROOTS: the timestamp authorities' roots,
#   if not the system's). Without VORLAX_SIGN_KEY, the exes are not signed.
set -euo pipefail
cd "$(dirname "$0")/.."
[ $# -le 1 ] || { echo "Usage: tools/release.sh [BUILD-INFO]" >&2; exit 2; }
tools/install-deps.sh release
if [ $# -eq 1 ]; then
    tools/build-info.sh compare "$1" || true
fi
version=$(tools/release-version.sh)
export SOURCE_DATE_EPOCH="$(git log -1 --format=%ct 2>/dev/null || echo 0)"
exe="ui/Vorlax Demo Fixer.exe"
name="Vorlax Demo Fixer.exe"
publish=build/publish

if [ -n "${VORLAX_SIGN_KEY:-}" ]; then
    : "${VORLAX_SIGN_SUBJECT:?names no publisher: the subject the signatures must name}"
    root=${VORLAX_SIGN_ROOT:-docs/code-signing-root.pem}
    [ -f "$root" ] || { echo "release: no code-signing root $root to check the signatures" \
        "against" >&2; exit 1; }
    echo "Signing with the key $VORLAX_SIGN_KEY, through $VORLAX_PKCS11_MODULE."
else
    echo "No signing key given (VORLAX_SIGN_KEY): the exes are not signed."
fi
rm -rf "$publish"
mkdir -p "$publish"

for preset in release release-x86; do
    arch=win64
    [ "$preset" = release ] || arch=win32
    for dir in "build/$preset" "build/$preset-check"; do
        rm -rf "$dir"
        cmake --preset "$preset" -B "$dir" >/dev/null
        cmake --build "$dir" --parallel 2 >/dev/null
    done
    sha256sum "build/$preset/$exe" "build/$preset-check/$exe"
    cmp "build/$preset/$exe" "build/$preset-check/$exe"
    echo "The two $preset builds are byte-identical ($(stat -c %s "build/$preset/$exe") bytes)."

    mkdir -p "$publish/$arch-unsigned" "$publish/$arch"
    cp "build/$preset/$exe" "$publish/$arch-unsigned/$name"
    if [ -n "${VORLAX_SIGN_KEY:-}" ]; then
        # Signed in place, so that cpack packs the signed exe (its build is not run again: the
        # exe is newer than everything it is made from).
        tools/sign-exe.sh "$publish/$arch-unsigned/$name" "build/$preset/$exe"
    fi
    cpack --preset "$preset" >/dev/null
    zip="build/$preset/VorlaxDemoFixer-$version-$arch.zip"
    [ -f "$zip" ] || { echo "release: cpack made no $zip" >&2; exit 1; }
    unzip -q "$zip" "$name" -d "$publish/$arch"
    cmp "$publish/$arch/$name" "build/$preset/$exe" ||
        { echo "release: the exe in $zip is not the one built and checked" >&2; exit 1; }
    cp "$zip" "$publish/"
    ls -l "$zip"
done

build_info="VorlaxDemoFixer-$version-build-info.txt"
tools/build-info.sh write "$publish/$build_info"
(
    cd "$publish"
    sha256sum VorlaxDemoFixer-"$version"-win64.zip VorlaxDemoFixer-"$version"-win32.zip \
        "$build_info" "win64/$name" "win32/$name" "win64-unsigned/$name" \
        "win32-unsigned/$name" >SHA256SUMS
    sha256sum --quiet -c SHA256SUMS
)
if [ -n "${VORLAX_SIGN_KEY:-}" ]; then
    tools/verify-release.sh --root "$root" --subject "$VORLAX_SIGN_SUBJECT" \
        ${VORLAX_TSA_ROOTS:+--tsa-roots "$VORLAX_TSA_ROOTS"} --sums "$publish/SHA256SUMS" "$publish/VorlaxDemoFixer-$version-win64.zip" \
        "$publish/VorlaxDemoFixer-$version-win32.zip"
fi
echo "$publish/$build_info:"
cat "$publish/$build_info"
echo "$publish/SHA256SUMS:"
cat "$publish/SHA256SUMS"
