#!/usr/bin/env bash
# Runs one Windows build's tests under Wine, on a virtual screen (Xvfb) of its own.
# Usage: tools/windows-tests.sh [PRESET] [CTEST ARGUMENTS...]   (PRESET: windows or windows-x86)
set -uo pipefail
cd "$(dirname "$0")/.."
if [ -z "${VORLAX_ON_XVFB:-}" ]; then
    # 24-bit colour: the tests compare what the program draws pixel for pixel.
    VORLAX_ON_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
preset=windows
if [ $# -gt 0 ] && [[ "$1" != -* ]]; then
    preset=$1
    shift
fi
source tools/wine-env.sh build/wineprefix
wine_start unmanaged
trap wine_stop EXIT
ctest --preset "$preset" "$@"
