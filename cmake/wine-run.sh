#!/bin/sh
# Runs a Windows test binary under Wine, in the prefix the builds share.
# Usage: wine-run.sh PREFIX PROGRAM [ARGUMENTS...]   (VORLAX_WINEPREFIX, when set, overrides PREFIX)
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
# Without 32-bit support in the kernel, Debian's `wine` cannot start: see tools/wine64-only.
if ! /usr/lib/wine/wine --version >/dev/null 2>&1 && [ -x /usr/lib/wine/wine64 ]; then
    export WINELOADER=/usr/lib/wine/wine64
    exec /usr/lib/wine/wine64 "$@"
fi
exec wine "$@"
