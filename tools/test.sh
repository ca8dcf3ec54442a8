#!/usr/bin/env bash
# Builds and tests everything: the Linux build of the core (with sanitizers), then the Windows
# build under Wine. Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh

cmake --preset native
cmake --build --preset native
native=0
ctest --preset native || native=$?

cmake --preset windows
cmake --build --preset windows
windows=0
xvfb-run -a -s "-screen 0 1024x768x24" tools/windows-tests.sh || windows=$?

[ "$native" -eq 0 ] && [ "$windows" -eq 0 ]
