# Sourced by the scripts that drive a program's windows under X with xdotool.
# Usage: source tools/x-windows.sh
if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    # Run rather than sourced: it would define nothing for its caller.
    echo "Usage: source tools/x-windows.sh"
    echo "Defines window_shown and window_gone, which wait for X windows by title. To be sourced."
    case ${1:-} in -h | --help) exit 0 ;; *) exit 2 ;; esac
fi

# xdotool's own --sync gives up when a window it looks at goes away meanwhile (an X BadWindow
# error), as Wine's windows do while a prefix is made: the search is made again instead.
# window_shown PATTERN SECONDS: prints the id of a visible window whose title matches, once shown.
window_shown() {
    local id end=$((SECONDS + $2))
    while [ "$SECONDS" -lt "$end" ]; do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1) || true
        [ -z "$id" ] || { echo "$id"; return 0; }
        sleep 0.2
    done
    return 1
}
# window_gone PATTERN SECONDS: succeeds once no visible window's title matches.
window_gone() {
    local error end=$((SECONDS + $2))
    while [ "$SECONDS" -lt "$end" ]; do
        if ! error=$(xdotool search --onlyvisible --name "$1" 2>&1 >/dev/null); then
            [[ $error == *"X Error"* ]] || return 0
        fi
        sleep 0.2
    done
    return 1
}
