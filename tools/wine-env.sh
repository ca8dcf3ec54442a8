# Sourced by the scripts that run the Windows builds under Wine.
# Usage: source tools/wine-env.sh [PREFIX_DIR]   (default: build/wineprefix, shared by both builds)
if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    # Run rather than sourced: it would set nothing for its caller.
    echo "Usage: source tools/wine-env.sh [PREFIX_DIR]"
    echo "Sets the Wine environment of the project's scripts (WINEPREFIX, default build/wineprefix)"
    echo "and defines wine_prepare_prefix, wine_start and wine_stop. To be sourced, not run."
    case ${1:-} in -h | --help) exit 0 ;; *) exit 2 ;; esac
fi
export WINEPREFIX="$(realpath -m "${1:-build/wineprefix}")"
export WINEDEBUG=-all
# Without these overrides, creating a prefix stops to offer Mono and Gecko downloads.
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64

# Whether this machine runs 32-bit programs: Wine's 32-bit loader is an i386 program, and some
# kernels are built without 32-bit support. Without it only the x64 build can be tested, and
# Wine is started through its 64-bit loader alone (tools/wine64-only).
wine_runs_32bit() {
    /usr/lib/wine/wine --version >/dev/null 2>&1
}
if ! wine_runs_32bit && [ -x /usr/lib/wine/wine64 ]; then
    export PATH="$(realpath "$(dirname "${BASH_SOURCE[0]}")")/wine64-only:$PATH"
    export WINELOADER=/usr/lib/wine/wine64
fi
# Debian unstable's Wine without its 32-bit half puts no wineserver on PATH: the one beside its
# 64-bit loader is used.
if ! command -v wineserver >/dev/null 2>&1; then
    for wine_server in /usr/lib/x86_64-linux-gnu/wine/wineserver /usr/lib/wine/wineserver64; do
        [ ! -x "$wine_server" ] || break
    done
    wineserver() { "$wine_server" "$@"; }
fi
# Wine maps Windows file names through the Unix locale: without a UTF-8 one, no file with a
# non-ASCII name can be opened. A UTF-8 locale the user has is kept.
if [ "$(locale charmap 2>/dev/null)" != UTF-8 ]; then
    export LC_ALL=C.UTF-8
fi

# What the prefix was made with. A 64-bit prefix made before 32-bit Wine was installed no longer
# starts once it is (and one made with it cannot run 32-bit programs without it), so a prefix
# made by another Wine is made again.
wine_signature() {
    echo "$(wine --version 2>/dev/null) wine32:$(dpkg-query -W -f='${Version}' wine32:i386 2>/dev/null) no-crash-dialog"
}

# Creates the prefix once. With "unmanaged", Managed=N, because no window manager runs under
# Xvfb and Wine would otherwise wait on one every time a window hides; a prefix used under a
# window manager leaves Wine's default.
wine_prepare_prefix() {
    local marker="$WINEPREFIX/.vorlax-ready"
    if [ -f "$marker" ] && [ "$(cat "$marker")" != "$(wine_signature)" ]; then
        echo "The Wine prefix $WINEPREFIX was made by another Wine: making it again."
        rm -f "$marker"
    fi
    if [ ! -f "$marker" ]; then
        # From nothing, also where an earlier making was interrupted and left half a prefix.
        wineserver -k 2>/dev/null || true
        rm -rf "$WINEPREFIX"
        mkdir -p "$WINEPREFIX"
        wineboot -i </dev/null >/dev/null 2>&1 || true
        # A program that crashes ends at once, its backtrace on standard error, rather than
        # waiting behind Wine's crash dialog for a click that never comes.
        wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
            </dev/null >/dev/null 2>&1
        if [ "${1:-}" = unmanaged ]; then
            wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
                </dev/null >/dev/null 2>&1
        fi
        wineserver -w
        wine_signature >"$marker"
    fi
}

# Starts this prefix's wineserver outside any test runner, so that no test inherits its pipes.
wine_start() {
    wine_prepare_prefix "$@"
    wineserver -p
    wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

wine_stop() {
    wineserver -k 2>/dev/null || true
}
