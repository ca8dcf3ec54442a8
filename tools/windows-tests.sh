#!/usr/bin/env bash
# Runs one Windows build's tests under Wine, on a virtual screen (Xvfb) of its own. With
# --window-manager, runs the tests labelled window-manager, and only those, under openbox, in a
# Wine prefix of their own; without it, every other test, with no window manager.
set -uo pipefail
usage() {
    cat <<'EOF'
Usage: tools/windows-tests.sh [PRESET] [--window-manager] [CTEST ARGUMENTS...]
Runs the tests of an existing Windows build (PRESET: windows, the default, or windows-x86; build
it first) under Wine, on a virtual screen (Xvfb) of its own, through ctest --preset PRESET.
  --window-manager  only the tests labelled window-manager, under openbox, in the Wine prefix
                    build/wineprefix-managed; without it, every other test, no window manager,
                    in build/wineprefix
  CTEST ARGUMENTS   passed on to ctest, e.g. -R core_tests
EOF
}
case ${1:-} in -h | --help) usage; exit 0 ;; esac
if [ $# -gt 0 ] && [[ $1 != -* ]] && [[ ! $1 =~ ^(windows|windows-x86)$ ]]; then
    usage >&2
    exit 2
fi
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
prefix=build/wineprefix
mode=unmanaged
labels=(-LE window-manager)
manager=
if [ "${1:-}" = --window-manager ]; then
    shift
    # The tests' Wine runs read the prefix from here rather than the one the build names.
    export VORLAX_WINEPREFIX="$PWD/build/wineprefix-managed"
    prefix=$VORLAX_WINEPREFIX
    mode=
    labels=(-L window-manager)
    openbox &
    manager=$!
fi
source tools/wine-env.sh "$prefix"
wine_start $mode
# The display settings the tests give the programs they start (the DPI, the message font), back
# to the prefix's own before and after, whatever happened: a test process killed included. (Wine
# 9 and later's DPI of each display lives only as long as the prefix's server.)
display_defaults() {
    wine reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f >/dev/null 2>&1 || true
    wine reg delete 'HKCU\Control Panel\Desktop\WindowMetrics' /v MessageFont /f >/dev/null 2>&1 ||
        true
}
display_defaults
trap 'display_defaults; wine_stop; [ -z "$manager" ] || kill "$manager"' EXIT
ctest --preset "$preset" "${labels[@]}" "$@"
