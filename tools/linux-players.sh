#!/usr/bin/env bash
# Runs the README's Wine commands for Linux players (the first sh block under "On Linux: Wine,
# Proton, Lutris, Bottles"), as written, against the released ZIP, as a player would: in a
# temporary home with the ZIP in ~/Downloads and a broken demo under a dot-folder (~/.local/share/Steam/...), in a
# Wine prefix that those commands make afresh, on a virtual screen (Xvfb) of its own with the
# openbox window manager. Then drives the program with xdotool: Alt+O, the demo's path typed in
# the Open dialog, Enter, Alt+F; and checks that the path shows in the main window, that the
# message says "Demo has been modified!", and that the demo's first four bytes went from
# 00 00 00 00 to 00 75 2B 7D and nothing else changed.
set -euo pipefail
usage() {
    cat <<'EOF'
Usage: tools/linux-players.sh [ZIP]
Runs the README's Wine commands for Linux players, as written, in a temporary home and a new Wine
prefix, on a virtual screen under openbox, and checks that the program they start repairs a
broken demo under a dot-folder, opened by its typed path. Needs Wine, Xvfb, openbox and xdotool
(tools/install-deps.sh installs them).
  ZIP  the win32 ZIP the commands unpack (default: build/release-x86/VorlaxDemoFixer-<version>-win32.zip,
       made by tools/release.sh)
EOF
}
case ${1:-} in
    -h | --help) usage; exit 0 ;;
    -*) usage >&2; exit 2 ;;
esac
[ $# -le 1 ] || { usage >&2; exit 2; }
root="$(realpath "$(dirname "$0")/..")"
if [ $# -eq 1 ]; then
    zip=$1
else
    zip="$root/build/release-x86/VorlaxDemoFixer-$("$root/tools/release-version.sh")-win32.zip"
fi
[ -f "$zip" ] || { echo "linux-players: no ZIP $zip (tools/release.sh makes it)" >&2; exit 1; }
zip=$(realpath "$zip")
if [ -z "${VORLAX_PLAYERS_ON_XVFB:-}" ]; then
    VORLAX_PLAYERS_ON_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$zip"
fi

# The README's commands.
commands=$(awk '
    /^## On Linux/ { section = 1; next }
    section && /^## / { exit }
    section && /^```sh$/ { block = 1; next }
    block && /^```$/ { exit }
    block { print }' "$root/README.md")
if [ -z "$commands" ]; then
    echo "linux-players: README.md has no sh block under its Linux section" >&2
    exit 1
fi

home=$(mktemp -d)
tools=$(mktemp -d)
manager=
block_pid=
cleanup() {
    [ -z "$block_pid" ] || kill "$block_pid" 2>/dev/null || true
    # Only the prefix this run made.
    [ ! -d "$home/.wine" ] || WINEPREFIX="$home/.wine" wineserver -k 2>/dev/null || true
    [ -z "$manager" ] || kill "$manager" 2>/dev/null || true
    rm -rf "$home" "$tools"
}
trap cleanup EXIT

# Nothing of the project's Wine settings: a player's environment, with a home of its own.
unset WINEPREFIX WINEARCH WINELOADER VORLAX_WINEPREFIX
export HOME="$home"
export WINEDEBUG=-all
# The commands themselves keep the new prefix from asking to install Wine Mono and Gecko.
unset WINEDLLOVERRIDES
if ! /usr/lib/wine/wine --version >/dev/null 2>&1 && [ -x /usr/lib/wine/wine64 ]; then
    echo "Note: this machine's kernel cannot run 32-bit programs, and Debian's wine starts Wine's"
    echo "32-bit loader first: here \`wine\` is tools/wine64-only/wine, Wine's 64-bit loader alone,"
    echo "which runs a win64 exe only (give the win64 ZIP, renamed as the commands name it)."
    export PATH="$root/tools/wine64-only:$PATH"
    export WINELOADER=/usr/lib/wine/wine64
fi

mkdir -p "$home/Downloads"
cp "$zip" "$home/Downloads/"
demo_dir="$home/.local/share/Steam/steamapps/common/Vorlax/demos"
mkdir -p "$demo_dir"
demo="$demo_dir/crashed.dmo"
{ printf '\0\0\0\0'; head -c 65536 /dev/urandom; } >"$demo"
cp "$demo" "$tools/crashed-before.dmo"
typed_path="Z:${demo//\//\\}"

openbox >/dev/null 2>&1 &
manager=$!
# Ready once it lists the hints it supports (after it has announced itself): xdotool's
# windowactivate needs _NET_ACTIVE_WINDOW among them.
timeout 20 bash -c \
    'until xprop -root _NET_SUPPORTED 2>/dev/null | grep -q _NET_ACTIVE_WINDOW; do sleep 0.2; done' ||
    { echo "linux-players: openbox did not start" >&2; exit 1; }

echo "Running, in $home/Downloads, as written in README.md:"
echo "$commands" | sed 's/^/    /'
(cd "$home/Downloads" && exec bash -e -x -c "$commands") >"$tools/commands.log" 2>&1 &
block_pid=$!

source "$root/tools/x-windows.sh"

failed=0
fail() {
    echo "FAILED: $*"
    failed=1
}
show_log() {
    echo "--- what the commands printed:"
    cat "$tools/commands.log"
}
title='^Vorlax Demo Fixer v1\.0\.$'
# The first command to run Wine makes the prefix, which takes a while.
if ! main=$(window_shown "$title" 180); then
    fail "the program's main window did not show within 180 s"
    show_log
    exit 1
fi
echo "The main window shows."
if WINEPREFIX="$home/.wine" wine reg query 'HKCU\Software\Wine' /v ShowDotFiles </dev/null \
    2>/dev/null | grep -q "ShowDotFiles.*REG_SZ.*Y"; then
    echo "The prefix has ShowDotFiles set to Y."
else
    fail "the prefix has no ShowDotFiles setting after the reg add command"
fi

xdotool windowactivate --sync "$main"
xdotool key --clearmodifiers alt+o
if ! dialog=$(window_shown '^Open$' 30); then
    fail "Alt+O opened no Open dialog"
else
    xdotool windowactivate --sync "$dialog"
    xdotool type --delay 30 "$typed_path"
    xdotool key Return
    window_gone '^Open$' 30 ||
        fail "the Open dialog did not close after Enter"
    xdotool windowactivate --sync "$main"
    xdotool key --clearmodifiers alt+f
    if ! message=$(window_shown '^Vorlax Demo Fixer$' 30); then
        fail "Alt+F showed no message"
    else
        # X sees the message box's caption, not its text: the demo's bytes below tell the rest.
        echo "A message shows."
        xdotool windowactivate --sync "$message"
        xdotool key Return
    fi
fi

head=$(od -An -tx1 -N4 "$demo" | tr -d ' ')
if [ "$head" = 00752b7d ]; then
    echo "The demo's first four bytes are 00 75 2B 7D."
else
    fail "the demo's first four bytes are $head, not 00752b7d"
fi
if [ "$(stat -c %s "$demo")" = "$(stat -c %s "$tools/crashed-before.dmo")" ] &&
    cmp -s -i 4 "$demo" "$tools/crashed-before.dmo"; then
    echo "Nothing else in the demo changed."
else
    fail "the demo changed beyond its first four bytes"
fi

# Exit, as a player would, and the last command ends.
xdotool windowactivate --sync "$main" 2>/dev/null && xdotool key --clearmodifiers alt+e
if timeout 30 tail --pid="$block_pid" -f /dev/null && wait "$block_pid"; then
    block_pid=
    echo "The program ended with Exit, and every command succeeded."
else
    fail "the commands did not all end successfully after Exit"
    show_log
fi
[ "$failed" -eq 0 ] || exit 1
echo "Every check passed."
