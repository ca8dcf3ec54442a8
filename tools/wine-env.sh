# Sourced by the scripts that run the Windows build under Wine.
# Usage: source tools/wine-env.sh PREFIX_DIR
export WINEPREFIX="$(realpath -m "$1")"
export WINEDEBUG=-all
# Without these overrides, creating a prefix stops to offer Mono and Gecko downloads.
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64

# Creates the prefix once. With "unmanaged", Managed=N, because no window manager runs under
# Xvfb and Wine would otherwise wait on one every time a window hides.
wine_prepare_prefix() {
    if [ ! -f "$WINEPREFIX/.vorlax-ready" ]; then
        mkdir -p "$WINEPREFIX"
        wineboot -i </dev/null >/dev/null 2>&1 || true
        if [ "${1:-}" = unmanaged ]; then
            wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
                </dev/null >/dev/null 2>&1
        fi
        wineserver -w
        touch "$WINEPREFIX/.vorlax-ready"
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
