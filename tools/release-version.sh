#!/usr/bin/env bash
# Prints the program's version (as "1.00"), after checking that every place that states it
# agrees: the version resource in ui/app.rc (FileVersion and ProductVersion strings, FILEVERSION
# and PRODUCTVERSION numbers) and the ZIP names in CMakeLists.txt. With a tag, also fails unless
# the tag is "v" and that version (the release workflow passes the pushed tag).
# Usage: tools/release-version.sh [TAG]
set -euo pipefail
cd "$(dirname "$0")/.."
case ${1:-} in
    -h | --help) echo "Usage: tools/release-version.sh [TAG]"; exit 0 ;;
    -*) echo "Usage: tools/release-version.sh [TAG]" >&2; exit 2 ;;
esac
[ $# -le 1 ] || { echo "Usage: tools/release-version.sh [TAG]" >&2; exit 2; }

fail() {
    echo "release-version: $*" >&2
    exit 1
}
string_value() {
    sed -n "s/^ *VALUE \"$1\", \"\\([^\"]*\\)\".*/\\1/p" ui/app.rc
}
file_version=$(string_value FileVersion)
product_version=$(string_value ProductVersion)
[[ "$file_version" =~ ^[0-9]+\.[0-9][0-9]$ ]] ||
    fail "ui/app.rc: FileVersion \"$file_version\" is not of the form X.YY"
[ "$product_version" = "$file_version" ] ||
    fail "ui/app.rc: ProductVersion \"$product_version\" differs from FileVersion \"$file_version\""
version=$file_version

# "1.05" is 1, 5, 0, 0 in the numeric fields, which Windows shows as 1.5.0.0.
numbers="${version%%.*}, $((10#${version#*.})), 0, 0"
for field in FILEVERSION PRODUCTVERSION; do
    grep -qx "$field $numbers" ui/app.rc ||
        fail "ui/app.rc: $field is not $numbers (version $version)"
done
for arch in win64 win32; do
    grep -q "CPACK_PACKAGE_FILE_NAME \"VorlaxDemoFixer-$version-$arch\"" CMakeLists.txt ||
        fail "CMakeLists.txt does not name the ZIP VorlaxDemoFixer-$version-$arch"
done
if [ $# -gt 0 ] && [ "$1" != "v$version" ]; then
    fail "the tag $1 is not v$version, the program's version"
fi
echo "$version"
