#!/usr/bin/env bash
# Saves a picture of each window into docs/: the main window and the Info window, as Wine draws
# them under Xvfb at 96 DPI. Run it inside xvfb-run, after a build of the windows preset.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/wine-env.sh build/windows/wineprefix
wine_start unmanaged
trap wine_stop EXIT
mkdir -p docs

exe_dir=build/windows/ui
coproc SHOW { cd "$exe_dir" && wine ../tests/show_windows.exe "Vorlax Demo Fixer.exe" 2>/dev/null; }
read -r _ mx my mw mh <&"${SHOW[0]}"
read -r _ ix iy iw ih <&"${SHOW[0]}"
import -window root "$WINEPREFIX/screen.png"
convert "$WINEPREFIX/screen.png" -crop "${mw}x${mh}+${mx}+${my}" +repage docs/main-window.png
convert "$WINEPREFIX/screen.png" -crop "${iw}x${ih}+${ix}+${iy}" +repage docs/info-window.png
echo >&"${SHOW[1]}"
wait "$SHOW_PID" || true
echo "Saved docs/main-window.png and docs/info-window.png"
