#!/usr/bin/env bash
# Runs the Windows build's tests under Wine; run it inside xvfb-run.
set -uo pipefail
cd "$(dirname "$0")/.."
source tools/wine-env.sh build/windows/wineprefix
wine_start unmanaged
trap wine_stop EXIT
ctest --preset windows "$@"
