#!/bin/sh
# Runs a Windows test binary under Wine, in the prefix the builds share, and says last with which
# exit code it ended: ctest reads no exit code where it matches a test's output, which must then
# hold that line (tests/CMakeLists.txt).
# Usage: wine-run.sh PREFIX PROGRAM [ARGUMENTS...]   (VORLAX_WINEPREFIX, when set, overrides PREFIX)
# ctest runs it from tools/windows-tests.sh, whose tools/wine-env.sh has chosen which `wine`.
case "${1:-}" in
    --help | -h) sed -n '2,6p' "$0"; exit 0 ;;
    -* | "") sed -n '5p' "$0" >&2; exit 2 ;;
esac
[ $# -ge 2 ] || { sed -n '5p' "$0" >&2; exit 2; }
export WINEPREFIX="${VORLAX_WINEPREFIX:-$1}"
shift
export WINEDEBUG=-all
# Wine maps file names through the Unix locale; the tests use non-ASCII names.
if [ "$(locale charmap 2>/dev/null)" != UTF-8 ]; then
    export LC_ALL=C.UTF-8
fi
# Without these overrides, creating a prefix stops to offer Mono and Gecko downloads.
overrides="mscoree,mshtml="
# Wine prefers its own copy of a system DLL; WINE_NATIVE_FIRST names DLLs for which it should,
# like Windows, first take one found beside the program.
if [ -n "${WINE_NATIVE_FIRST:-}" ]; then
    overrides="$overrides;$WINE_NATIVE_FIRST=n,b"
fi
export WINEDLLOVERRIDES="$overrides"
wine "$@"
code=$?
echo "wine-run: exit code $code"
exit "$code"
