#!/usr/bin/env bash
# Builds and tests everything: the Linux build of the core (with sanitizers), then the Windows
# x64 and x86 builds under Wine, without a window manager and then the focus tests under one,
# through tools/mingw-build.sh, as the Windows workflow runs them (which also packs their ZIPs).
# Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh

failed=0
cmake --preset native
cmake --build --preset native
ctest --preset native || failed=1

# x86 first: where this machine cannot run it, the x64 tests' summary still comes last.
for preset in windows-x86 windows; do
    tools/mingw-build.sh "$preset" || failed=1
done

exit "$failed"
