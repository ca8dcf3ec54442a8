#!/usr/bin/env bash
# Builds and tests everything: the Linux build of the core (with sanitizers), then the Windows
# x86 and x64 builds under Wine, without a window manager and then the focus tests under one,
# through tools/mingw-build.sh, as the Windows workflow runs them (which also packs their ZIPs).
# Installs what is missing first.
set -euo pipefail
usage() {
    cat <<'EOF'
Usage: tools/test.sh
Installs what is missing (tools/install-deps.sh: apt-get, as root or through sudo, and the i386
architecture for 32-bit Wine), then builds and tests the core on Linux (native preset) and the
Windows x86 and x64 builds under Wine and Xvfb (windows-x86 and windows presets, through
tools/mingw-build.sh, which also packs their ZIPs into build/zips/). Prints five ctest summaries;
exits 0 only when every build and every test passed. About 10 to 15 minutes on two cores.
EOF
}
case ${1:-} in -h | --help) usage; exit 0 ;; esac
[ $# -eq 0 ] || { usage >&2; exit 2; }
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
