#!/usr/bin/env bash
# Builds the x64 and the x86 release, each twice in two folders, checks that both builds of each
# exe are byte-identical, and packs VorlaxDemoFixer-1.00-win64.zip and -win32.zip (the exe,
# README.md and LICENSE) in build/release and build/release-x86.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh
export SOURCE_DATE_EPOCH="$(git log -1 --format=%ct 2>/dev/null || echo 0)"
exe="ui/Vorlax Demo Fixer.exe"

for preset in release release-x86; do
    for dir in "build/$preset" "build/$preset-check"; do
        rm -rf "$dir"
        cmake --preset "$preset" -B "$dir" >/dev/null
        cmake --build "$dir" --parallel 2 >/dev/null
    done
    sha256sum "build/$preset/$exe" "build/$preset-check/$exe"
    cmp "build/$preset/$exe" "build/$preset-check/$exe"
    echo "The two $preset builds are byte-identical ($(stat -c %s "build/$preset/$exe") bytes)."
    cpack --preset "$preset" >/dev/null
    ls -l "build/$preset"/*.zip
done
