#!/usr/bin/env bash
# Prints the notes of a release: that version's section of CHANGELOG.md, then how to check the
# download, saying whether the exes in build/publish (made by tools/release.sh) are signed.
# Fails if CHANGELOG.md has no section for the version, or an empty one.
# Usage: tools/release-notes.sh VERSION   (e.g. 1.00)
set -euo pipefail
cd "$(dirname "$0")/.."
usage="Usage: tools/release-notes.sh VERSION   (e.g. 1.00)"
case ${1:-} in
    -h | --help) echo "$usage"; exit 0 ;;
    -*) echo "$usage" >&2; exit 2 ;;
esac
[ $# -eq 1 ] || { echo "$usage" >&2; exit 2; }
version=$1

# The lines between "## [VERSION]" and the next "## " heading or link definition.
section=$(awk -v heading="## [$version]" '
    index($0, heading) == 1 { inside = 1; next }
    inside && (/^## / || /^\[[^]]*\]: /) { exit }
    inside { print }' CHANGELOG.md | sed -e '/./,$!d')
if [ -z "$(echo "$section" | tr -d '[:space:]')" ]; then
    echo "release-notes: CHANGELOG.md has no notes for version $version" >&2
    exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
signed=()
for arch in win64 win32; do
    exe="build/publish/$arch/Vorlax Demo Fixer.exe"
    [ -f "$exe" ] || { echo "release-notes: no $exe: run tools/release.sh first" >&2; exit 1; }
    # osslsigncode writes only to a file that does not exist yet.
    if osslsigncode extract-signature -in "$exe" -out "$work/$arch.sig" >/dev/null 2>&1; then
        signed+=("$arch")
    fi
done

printf '%s\n\n### Checking the download\n\n' "$section"
cat <<EOF
\`SHA256SUMS\` lists the SHA-256 of both ZIPs, of \`Vorlax Demo Fixer.exe\` as it is in each
(\`win64/\`, \`win32/\`), of each exe unsigned (\`win64-unsigned/\`, \`win32-unsigned/\`: what
\`tools/release.sh\` builds from the tag v$version with the toolchain the build-info names, the
one check that ties an exe to its source; identical builds have so far been shown on one machine
only), and of \`VorlaxDemoFixer-$version-build-info.txt\`, which names the Debian point release
and the package versions of the toolchain that built it. \`SHA256SUMS\` is not signed: it comes
from this page, as the ZIPs do. \`docs/verifying.md\` in the repository says how to check the
download and what each check proves.
EOF
echo
case ${#signed[@]} in
    2) cat <<'EOF'
Both exes are Authenticode-signed (SHA-256, with an RFC 3161 timestamp). Without its signature
(`osslsigncode remove-signature`), each is the unsigned exe listed in `SHA256SUMS`.
`tools/verify-release.sh` checks the ZIPs against the root and the publisher the repository
publishes (`docs/code-signing-root.pem`, `docs/code-signing-subject.txt`).
EOF
       fingerprint=$(openssl x509 -in docs/code-signing-root.pem -noout -fingerprint -sha256 |
           sed 's/.*=//')
       echo
       echo "The root's SHA-256 fingerprint: \`$fingerprint\`; compare it with the one its"
       echo "certificate authority publishes."
    ;;
    0) cat <<'EOF'
These exes are **not signed**: Windows SmartScreen may say "Windows protected your PC" and name
an "Unknown publisher" (More info, then Run anyway). Check the SHA-256 of what you downloaded
against `SHA256SUMS` instead, and, to tie it to the source, against your own build of the tag.
EOF
    ;;
    *) echo "release-notes: only ${signed[*]} is signed; both exes or neither must be" >&2
       exit 1 ;;
esac
