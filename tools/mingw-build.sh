#!/usr/bin/env bash
# Builds one MinGW-w64 build of the program and its tests, runs every test and packs the ZIP
# (VorlaxDemoFixer-1.00-win64.zip or -win32.zip) into build/zips/.
# - On Debian/Ubuntu: PRESET windows (x64, the default) or windows-x86, cross-built as released
#   and tested under Wine, with and without a window manager.
# - On Windows, in an MSYS2 shell (UCRT64 or MINGW64 for x64, MINGW32 for x86): built with that
#   shell's MinGW-w64 as CONTRIBUTING.md's "Build on Windows" says, and tested natively.
set -euo pipefail
usage() {
    cat <<'EOF'
Usage: tools/mingw-build.sh [PRESET]
Builds one MinGW-w64 build of the program and its tests, packs its ZIP into build/zips/ and runs
every test.
  On Debian: PRESET is windows (x64, the default) or windows-x86; installs what is missing first
             (tools/install-deps.sh), cross-builds as released and tests under Wine, without and
             with a window manager.
  In an MSYS2 shell (UCRT64 or MINGW64 for x64, MINGW32 for x86): no PRESET; builds with that
             shell's MinGW-w64 into build/<shell> and tests natively.
Exits 0 only when the build and every test passed.
EOF
}
case ${1:-} in -h | --help) usage; exit 0 ;; esac
if [ -n "${MSYSTEM:-}" ]; then
    [ $# -eq 0 ] || { usage >&2; exit 2; }
else
    [ $# -le 1 ] && [[ ${1:-windows} =~ ^(windows|windows-x86)$ ]] || { usage >&2; exit 2; }
fi
cd "$(dirname "$0")/.."

# Packed before the tests run, so that the test runner's summary comes last.
pack() {
    (cd "$1" && cpack -G ZIP -B "$PWD/../zips")
}

failed=0
if [ -n "${MSYSTEM:-}" ]; then
    build="build/$(echo "$MSYSTEM" | tr '[:upper:]' '[:lower:]')"
    cmake -S . -B "$build" -G "MinGW Makefiles" -DCMAKE_BUILD_TYPE=MinSizeRel \
        -DGOOGLETEST_SOURCE_DIR="$(tools/googletest-source.sh)"
    cmake --build "$build" -j 2
    pack "$build"
    ctest --test-dir "$build" --output-on-failure --timeout 300 || failed=1
else
    preset=${1:-windows}
    tools/install-deps.sh
    cmake --preset "$preset"
    cmake --build --preset "$preset"
    pack "build/$preset"
    if [ "$preset" = windows-x86 ] && ! (source tools/wine-env.sh && wine_runs_32bit); then
        echo "NOT TESTED: the x86 build's Wine tests. 32-bit Wine is not installed here, or this"
        echo "machine's kernel cannot run 32-bit programs (Wine's 32-bit loader is one). The build"
        echo "itself checked the exe's imports for Windows XP, and it was packed."
        exit 0
    fi
    tools/windows-tests.sh "$preset" || failed=1
    tools/windows-tests.sh "$preset" --window-manager || failed=1
fi
exit "$failed"
