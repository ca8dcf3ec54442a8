#!/usr/bin/env bash
# Makes a release in two steps, which the release workflow runs in two jobs: the build, which
# holds no secret, and the signing, which holds the key's PIN and nothing of the build's tools.
#
# --build: builds the x64 and the x86 release twice, the second time from a copy of the checkout
# at another path and in another build folder, and fails unless both builds of each exe are
# byte-identical; packs each into its ZIP (the install step in CMakeLists.txt says what it
# holds) and writes the build-info (tools/build-info.sh: Debian's point release, the commit and
# the toolchain's package versions). All of it goes to build/unsigned: the two unsigned ZIPs,
# each exe unsigned (win64-unsigned/, win32-unsigned/) and the build-info.
#
# --sign: from build/unsigned, signs each exe when a key is given (tools/sign-exe.sh), puts the
# signed exe in place of the unsigned one in its ZIP, and gathers what is published in
# build/publish: the two ZIPs, the build-info and SHA256SUMS, which lists them, each exe as
# published (win64/, win32/) and each exe unsigned (win64-unsigned/, win32-unsigned/), laid out
# there so that `sha256sum -c SHA256SUMS` checks it. Signed ZIPs are then checked by
# tools/verify-release.sh against the root and the publisher the repository publishes,
# docs/code-signing-root.pem and docs/code-signing-subject.txt: without both, nothing is signed.
#
# Usage: tools/release.sh [--build | --sign] [BUILD-INFO]
#   (neither)   --build, then --sign
#   BUILD-INFO  a release's build-info: before building, says where this machine's Debian,
#               checkout and toolchain differ from the ones that built that release
#   To sign: VORLAX_SIGN_KEY (the key's pkcs11: URI), VORLAX_PKCS11_MODULE, VORLAX_SIGN_CHAIN,
#   VORLAX_SIGN_PIN and VORLAX_TIMESTAMP_URL (see tools/sign-exe.sh). Without VORLAX_SIGN_KEY,
#   the exes are not signed. If set, VORLAX_SIGN_SUBJECT must be the line in
#   docs/code-signing-subject.txt and VORLAX_SIGN_ROOT_SHA256 the SHA-256 fingerprint of
#   docs/code-signing-root.pem (the workflow passes the repository's variables, so that they
#   cannot disagree with the files unnoticed); VORLAX_TSA_ROOTS: the timestamp authorities' roots,
#   if not the system's.
set -euo pipefail
cd "$(dirname "$0")/.."
usage() {
    echo "Usage: tools/release.sh [--build | --sign] [BUILD-INFO]"
    echo "  --build  build twice, check, pack unsigned into build/unsigned (no secrets)"
    echo "  --sign   sign (given VORLAX_SIGN_KEY), pack and sum into build/publish, verify"
    echo "  neither  both; see the comment at the top of this script for the variables"
}
steps=(build sign)
build_info_given=
while [ $# -gt 0 ]; do
    case $1 in
        -h | --help) usage; exit 0 ;;
        --build) steps=(build); shift ;;
        --sign) steps=(sign); shift ;;
        -*) echo "release: unknown option $1" >&2; usage >&2; exit 2 ;;
        *) [ -z "$build_info_given" ] || { usage >&2; exit 2; }
           build_info_given=$1; shift ;;
    esac
done
if [ -n "$build_info_given" ]; then
    [ "${steps[0]}" = build ] ||
        { echo "release: a build-info is compared only when building" >&2; usage >&2; exit 2; }
    [ -f "$build_info_given" ] || { echo "release: no file $build_info_given" >&2; exit 2; }
fi

# The PIN goes to tools/sign-exe.sh alone, not to every program this script starts.
pin=${VORLAX_SIGN_PIN-}
unset VORLAX_SIGN_PIN
exe="ui/Vorlax Demo Fixer.exe"
name="Vorlax Demo Fixer.exe"
unsigned_dir=build/unsigned
publish=build/publish
temporary=()
trap 'rm -rf "${temporary[@]}"' EXIT

build() {
    tools/install-deps.sh release
    if [ -n "$build_info_given" ]; then
        # 1: it differs, and says where; anything else: it could not compare.
        local status=0
        tools/build-info.sh compare "$build_info_given" || status=$?
        [ "$status" -le 1 ] || exit "$status"
    fi
    local version
    version=$(tools/release-version.sh)
    SOURCE_DATE_EPOCH="$(git log -1 --format=%ct)"
    export SOURCE_DATE_EPOCH
    local commit
    commit=$(git rev-parse HEAD)

    # The check builds come from a copy of the checkout at another path, of another length.
    local copy
    copy=$(mktemp -d)
    temporary+=("$copy")
    git ls-files -z | tar --null -T - -cf - | tar -xf - -C "$copy"

    rm -rf "$unsigned_dir"
    mkdir -p "$unsigned_dir"
    local preset arch zip
    for preset in release release-x86; do
        arch=win64
        [ "$preset" = release ] || arch=win32
        rm -rf "build/$preset" "build/$preset-check"
        cmake --preset "$preset" >/dev/null
        cmake --build "build/$preset" --parallel 2 >/dev/null
        (cd "$copy" && cmake --preset "$preset" -B "$OLDPWD/build/$preset-check" >/dev/null &&
            cmake --build "$OLDPWD/build/$preset-check" --parallel 2 >/dev/null)
        sha256sum "build/$preset/$exe" "build/$preset-check/$exe"
        cmp "build/$preset/$exe" "build/$preset-check/$exe" ||
            { echo "release: the $preset exes built from $PWD and from $copy differ" >&2; exit 1; }
        echo "The $preset builds from two source paths, in two build folders, are" \
            "byte-identical ($(stat -c %s "build/$preset/$exe") bytes)."

        cpack --preset "$preset" >/dev/null
        zip="build/$preset/VorlaxDemoFixer-$version-$arch.zip"
        [ -f "$zip" ] || { echo "release: cpack made no $zip" >&2; exit 1; }
        mkdir -p "$unsigned_dir/$arch-unsigned"
        unzip -qq "$zip" "$name" -d "$unsigned_dir/$arch-unsigned" </dev/null
        cmp "$unsigned_dir/$arch-unsigned/$name" "build/$preset/$exe" ||
            { echo "release: the exe in $zip is not the one built and checked" >&2; exit 1; }
        cp "$zip" "$unsigned_dir/"
    done
    # The build-info names the commit checked out now: the one built, unless it moved meanwhile.
    [ "$(git rev-parse HEAD)" = "$commit" ] ||
        { echo "release: the checkout moved from $commit while building" >&2; exit 1; }
    tools/build-info.sh write "$unsigned_dir/VorlaxDemoFixer-$version-build-info.txt"
    ls -l "$unsigned_dir" "$unsigned_dir"/*-unsigned
}

sign() {
    local version build_info root subject_file subject fingerprint arch zip
    version=$(tools/release-version.sh)
    build_info="VorlaxDemoFixer-$version-build-info.txt"
    for file in "$unsigned_dir/$build_info" "$unsigned_dir/VorlaxDemoFixer-$version-win64.zip" \
        "$unsigned_dir/VorlaxDemoFixer-$version-win32.zip" "$unsigned_dir/win64-unsigned/$name" \
        "$unsigned_dir/win32-unsigned/$name"; do
        [ -f "$file" ] || { echo "release: no file $file: run tools/release.sh --build" >&2
            exit 2; }
    done
    # The ZIPs' times: the commit's, as the build's.
    SOURCE_DATE_EPOCH=$(awk '$1 == "commit-time" { print $2 }' "$unsigned_dir/$build_info")
    [ -n "$SOURCE_DATE_EPOCH" ] ||
        { echo "release: $unsigned_dir/$build_info has no commit-time" >&2; exit 1; }

    if [ -n "${VORLAX_SIGN_KEY:-}" ]; then
        root=docs/code-signing-root.pem
        subject_file=docs/code-signing-subject.txt
        [ -f "$root" ] && [ -f "$subject_file" ] || { echo "release: signing needs the root" \
            "and the publisher the repository publishes, $root and $subject_file" >&2; exit 1; }
        subject=$(head -n1 "$subject_file")
        [ -n "$subject" ] || { echo "release: $subject_file names no publisher" >&2; exit 1; }
        if [ -n "${VORLAX_SIGN_SUBJECT:-}" ] && [ "$VORLAX_SIGN_SUBJECT" != "$subject" ]; then
            echo "release: VORLAX_SIGN_SUBJECT \"$VORLAX_SIGN_SUBJECT\" disagrees with" \
                "$subject_file, \"$subject\": nothing is signed" >&2
            exit 1
        fi
        fingerprint=$(openssl x509 -in "$root" -noout -fingerprint -sha256 | sed 's/.*=//')
        if [ -n "${VORLAX_SIGN_ROOT_SHA256:-}" ] &&
            [ "$(echo "$VORLAX_SIGN_ROOT_SHA256" | tr -d ': ' | tr a-f A-F)" != \
              "$(echo "$fingerprint" | tr -d ':')" ]; then
            echo "release: VORLAX_SIGN_ROOT_SHA256 disagrees with $root, whose SHA-256" \
                "fingerprint is $fingerprint: nothing is signed" >&2
            exit 1
        fi
        tools/sign-exe.sh --check
        echo "Publisher \"$subject\", under the root $fingerprint."
    else
        echo "No signing key given (VORLAX_SIGN_KEY): the exes are not signed."
    fi

    local work
    work=$(mktemp -d)
    temporary+=("$work")
    rm -rf "$publish"
    mkdir -p "$publish"
    for arch in win64 win32; do
        zip="VorlaxDemoFixer-$version-$arch.zip"
        mkdir -p "$publish/$arch-unsigned" "$publish/$arch" "$work/$arch"
        cp "$unsigned_dir/$arch-unsigned/$name" "$publish/$arch-unsigned/$name"
        unzip -qq "$unsigned_dir/$zip" -d "$work/$arch" </dev/null
        cmp "$work/$arch/$name" "$unsigned_dir/$arch-unsigned/$name" ||
            { echo "release: the exe in $unsigned_dir/$zip is not $arch-unsigned/$name" >&2
              exit 1; }
        if [ -n "${VORLAX_SIGN_KEY:-}" ]; then
            VORLAX_SIGN_PIN=$pin tools/sign-exe.sh "$publish/$arch-unsigned/$name" \
                "$publish/$arch/$name"
            cp "$publish/$arch/$name" "$work/$arch/$name"
            # The unsigned ZIP's members, in its order, the exe now signed.
            mapfile -t members < <(unzip -Z1 "$unsigned_dir/$zip")
            (cd "$work/$arch" && cmake -E tar cf "$work/$zip" --format=zip \
                "--mtime=$(date -u -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M:%S') UTC" -- \
                "${members[@]}")
            cp "$work/$zip" "$publish/$zip"
        else
            cp "$publish/$arch-unsigned/$name" "$publish/$arch/$name"
            cp "$unsigned_dir/$zip" "$publish/$zip"
        fi
    done
    cp "$unsigned_dir/$build_info" "$publish/"
    (
        cd "$publish"
        sha256sum "VorlaxDemoFixer-$version-win64.zip" "VorlaxDemoFixer-$version-win32.zip" \
            "$build_info" "win64/$name" "win32/$name" "win64-unsigned/$name" \
            "win32-unsigned/$name" >SHA256SUMS
        sha256sum --quiet -c SHA256SUMS
    )
    if [ -n "${VORLAX_SIGN_KEY:-}" ]; then
        tools/verify-release.sh ${VORLAX_TSA_ROOTS:+--tsa-roots "$VORLAX_TSA_ROOTS"} \
            --sums "$publish/SHA256SUMS" "$publish/VorlaxDemoFixer-$version-win64.zip" \
            "$publish/VorlaxDemoFixer-$version-win32.zip"
    fi
    echo "$publish/$build_info:"
    cat "$publish/$build_info"
    echo "$publish/SHA256SUMS:"
    cat "$publish/SHA256SUMS"
}

for step in "${steps[@]}"; do
    "$step"
done
