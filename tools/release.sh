#!/usr/bin/env bash
# Builds the x64 and the x86 release, each twice in two folders, and checks that both builds of
# each exe are byte-identical. Given a code-signing certificate, signs each exe (tools/sign-exe.sh)
# after that check; then packs VorlaxDemoFixer-1.00-win64.zip and -win32.zip (the exe, README.md
# and LICENSE) in build/release and build/release-x86, and gathers what is published in
# build/publish: the two ZIPs and SHA256SUMS, which lists the ZIPs, each exe as published
# (win64/, win32/) and each exe unsigned (win64-unsigned/, win32-unsigned/: the build anyone can
# make again from the same commit), laid out there so that `sha256sum -c SHA256SUMS` checks it.
# Usage: tools/release.sh
#   To sign: VORLAX_SIGN_PFX (a .pfx file) and VORLAX_SIGN_PASSWORD, and optionally
#   VORLAX_TIMESTAMP_URL (see tools/sign-exe.sh). Without them, the exes are not signed.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh release
version=$(tools/release-version.sh)
export SOURCE_DATE_EPOCH="$(git log -1 --format=%ct 2>/dev/null || echo 0)"
exe="ui/Vorlax Demo Fixer.exe"
name="Vorlax Demo Fixer.exe"
publish=build/publish

if [ -n "${VORLAX_SIGN_PFX:-}" ]; then
    if [ "${VORLAX_TIMESTAMP_URL:-}" = none ]; then
        echo "release: a released signature is timestamped (VORLAX_TIMESTAMP_URL=none is for" \
            "tests)" >&2
        exit 1
    fi
    echo "Signing with the certificate in $VORLAX_SIGN_PFX."
else
    echo "No code-signing certificate given (VORLAX_SIGN_PFX): the exes are not signed."
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
    if [ -n "${VORLAX_SIGN_PFX:-}" ]; then
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

(
    cd "$publish"
    sha256sum VorlaxDemoFixer-"$version"-win64.zip VorlaxDemoFixer-"$version"-win32.zip \
        "win64/$name" "win32/$name" "win64-unsigned/$name" "win32-unsigned/$name" >SHA256SUMS
    sha256sum --quiet -c SHA256SUMS
)
echo "$publish/SHA256SUMS:"
cat "$publish/SHA256SUMS"
