#!/bin/sh
# Runs a Windows test binary under Wine, in the prefix the builds share.
# Usage: wine-run.sh PREFIX PROGRAM [ARGUMENTS...]   (VORLAX_WINEPREFIX, when set, overrides PREFIX)
# ctest runs it from tools/windows-tests.sh, whose tools/wine-env.sh has chosen which `wine`.
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
exec wine "$@"
