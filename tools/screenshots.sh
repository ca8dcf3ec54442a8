#!/usr/bin/env bash
# Saves pictures of both windows into docs/, as Wine draws them on a virtual screen (Xvfb) under
# the openbox window manager, as most players under Wine have one (without one, Wine draws the
# title bars itself, their buttons in its Marlett font), with a broken demo loaded in the main window: at 96 DPI with Wine's own
# message font, and at 144 DPI (150%) with a 9-point DejaVu Sans message font, as wide as the
# Segoe UI of Windows 10 and 11; and in a dark contrast theme, through the test build that always
# sees one (Wine reports none). Builds the windows preset first.
set -euo pipefail
usage() {
    cat <<'EOF'
Usage: tools/screenshots.sh
Installs what is missing (tools/install-deps.sh), builds the windows preset, then takes the
pictures in docs/ (main-window*.png, info-window*.png: at 100%, at 150% and in a dark contrast
theme), each main window with a broken demo loaded, under Wine on a virtual screen with the
openbox window manager, which draws the title bars and their buttons, in a Wine prefix of its own
(build/wineprefix-screenshots). Needs Wine's Marlett font (Debian's fonts-wine), in which Wine
draws its own controls' glyphs (and, without a window manager, the title bars' buttons).
EOF
}
case ${1:-} in -h | --help) usage; exit 0 ;; esac
[ $# -eq 0 ] || { usage >&2; exit 2; }
cd "$(dirname "$0")/.."
if [ -z "${VORLAX_ON_XVFB:-}" ]; then
    tools/install-deps.sh
    cmake --preset windows >/dev/null
    cmake --build --preset windows >/dev/null
    VORLAX_ON_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
fi
[ -f /usr/share/wine/fonts/marlett.ttf ] ||
    { echo "screenshots: no Marlett font: install fonts-wine" >&2; exit 1; }

openbox >/dev/null 2>&1 &
manager=$!
source tools/wine-env.sh build/wineprefix-screenshots
trap 'wine_stop; kill "$manager"' EXIT
# Ready once it lists the hints it supports (after it has announced itself): xdotool's
# windowactivate needs _NET_ACTIVE_WINDOW among them.
timeout 20 bash -c \
    'until xprop -root _NET_SUPPORTED 2>/dev/null | grep -q _NET_ACTIVE_WINDOW; do sleep 0.2; done' ||
    { echo "screenshots: openbox did not start" >&2; exit 1; }
wine_start
mkdir -p docs

# A broken demo where a player might keep one: its length field 0, then the recording.
demo_dir="$WINEPREFIX/drive_c/Games/Vorlax/demos"
mkdir -p "$demo_dir"
demo_path='C:\Games\Vorlax\demos\crashed.dmo'

source tools/x-windows.sh

# load_demo: through the main window's Open dialog, by the demo's typed path, as a player would.
load_demo() {
    { printf '\0\0\0\0'; head -c 4096 /dev/zero; } >"$demo_dir/crashed.dmo"
    local main dialog
    main=$(window_shown '^Vorlax Demo Fixer v1\.0\.$' 30) ||
        { echo "screenshots: the main window did not show" >&2; exit 1; }
    xdotool windowactivate --sync "$main"
    xdotool key --clearmodifiers alt+o
    dialog=$(window_shown '^Open$' 30) ||
        { echo "screenshots: Alt+O opened no Open dialog" >&2; exit 1; }
    xdotool windowactivate --sync "$dialog"
    xdotool type --delay 20 "$demo_path"
    xdotool key Return
    window_gone '^Open$' 30 ||
        { echo "screenshots: the Open dialog did not close after Enter" >&2; exit 1; }
    xdotool windowactivate --sync "$main"
    # Armed, not healthy: no message box, and the demo's bytes as written.
    if window_shown '^Vorlax Demo Fixer$' 1 >/dev/null; then
        echo "screenshots: the program showed a message on opening the demo" >&2
        exit 1
    fi
}

# capture NAME TITLE: the window with its frame, as openbox draws it.
capture() {
    local window
    window=$(window_shown "$2" 10) || { echo "screenshots: no window $2" >&2; exit 1; }
    import -frame -window "$window" "docs/$1.png"
}

# shot SUFFIX PROGRAM [DPI FONT_FACE POINTS] [dark]
shot() {
    local suffix=$1 program=$2
    shift 2
    coproc SHOW { cd build/windows/ui && wine ../test-programs/tests/show_windows.exe "$program" "$@" 2>/dev/null; }
    # Its report of both windows' places, once they show.
    read -r _ _ _ _ _ <&"${SHOW[0]}"
    read -r _ _ _ _ _ <&"${SHOW[0]}"
    load_demo
    sleep 1  # the last repaint after the dialog closed, before the picture
    capture "main-window$suffix" '^Vorlax Demo Fixer v1\.0\.$'
    capture "info-window$suffix" '^Info$'
    echo >&"${SHOW[1]}"
    wait "$SHOW_PID" || true
    echo "Saved docs/main-window$suffix.png and docs/info-window$suffix.png"
}
shot "" "Vorlax Demo Fixer.exe"
shot "-150" "Vorlax Demo Fixer.exe" 144 "DejaVu Sans" 9
shot "-contrast" "as-high-contrast/Vorlax Demo Fixer.exe" dark
