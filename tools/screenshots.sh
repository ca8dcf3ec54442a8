#!/usr/bin/env bash
# Saves pictures of both windows into docs/, as Wine draws them on a virtual screen (Xvfb): at
# 96 DPI with Wine's own message font, and at 144 DPI (150%) with a 9-point DejaVu Sans message
# font, as wide as the Segoe UI of Windows 10 and 11; and in a dark contrast theme, through the
# test build that always sees one (Wine reports none). Builds the windows preset first.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${VORLAX_ON_XVFB:-}" ]; then
    tools/install-deps.sh
    cmake --preset windows >/dev/null
    cmake --build --preset windows >/dev/null
    VORLAX_ON_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
fi
source tools/wine-env.sh build/wineprefix
wine_start unmanaged
trap wine_stop EXIT
mkdir -p docs

# shot SUFFIX PROGRAM [DPI FONT_FACE POINTS] [dark]
shot() {
    local suffix=$1 program=$2
    shift 2
    coproc SHOW { cd build/windows/ui && wine ../test-programs/tests/show_windows.exe "$program" "$@" 2>/dev/null; }
    read -r _ mx my mw mh <&"${SHOW[0]}"
    read -r _ ix iy iw ih <&"${SHOW[0]}"
    import -window root "$WINEPREFIX/screen.png"
    convert "$WINEPREFIX/screen.png" -crop "${mw}x${mh}+${mx}+${my}" +repage "docs/main-window$suffix.png"
    convert "$WINEPREFIX/screen.png" -crop "${iw}x${ih}+${ix}+${iy}" +repage "docs/info-window$suffix.png"
    echo >&"${SHOW[1]}"
    wait "$SHOW_PID" || true
    echo "Saved docs/main-window$suffix.png and docs/info-window$suffix.png"
}
shot "" "Vorlax Demo Fixer.exe"
shot "-150" "Vorlax Demo Fixer.exe" 144 "DejaVu Sans" 9
shot "-contrast" "as-high-contrast/Vorlax Demo Fixer.exe" dark
