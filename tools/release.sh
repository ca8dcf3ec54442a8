#!/usr/bin/env bash
# Builds the release twice, in two folders, checks that both exes are byte-identical, and packs
# build/release/VorlaxDemoFixer-1.00-win64.zip (the exe, README.md and LICENSE).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
export SOURCE_DATE_EPOCH="$(git log -1 --format=%ct 2>/dev/null || echo 0)"

for dir in build/release build/release-check; do
    rm -rf "$dir"
    cmake --preset release -B "$dir" >/dev/null
    cmake --build "$dir" --parallel 2 >/dev/null
done
exe="ui/Vorlax Demo Fixer.exe"
sha256sum "build/release/$exe" "build/release-check/$exe"
cmp "build/release/$exe" "build/release-check/$exe"
echo "The two release builds are byte-identical."
cpack --preset release >/dev/null
ls -l build/release/*.zip
