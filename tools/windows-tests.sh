#!/usr/bin/env bash
# Runs one Windows build's tests under Wine; run it inside xvfb-run.
# Usage: tools/windows-tests.sh [PRESET] [CTEST ARGUMENTS...]   (PRESET: windows or windows-x86)
set -uo pipefail
cd "$(dirname "$0")/.."
preset=windows
if [ $# -gt 0 ] && [[ "$1" != -* ]]; then
    preset=$1
    shift
fi
source tools/wine-env.sh build/wineprefix
wine_start unmanaged
trap wine_stop EXIT
ctest --preset "$preset" "$@"
