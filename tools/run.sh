#!/usr/bin/env bash
# Builds the program and starts it under Wine, with a broken sample demo ready to repair.
# Installs what is missing first.
set -euo pipefail
usage() {
    cat <<'EOF'
Usage: tools/run.sh
Installs what is missing (tools/install-deps.sh: apt-get, as root or through sudo, and the i386
architecture for 32-bit Wine), builds the Windows x64 program (windows preset), writes a broken
sample demo to build/sample/crashed.dmo and starts the program under Wine (on a virtual screen,
where nothing can be seen, when there is no display).
EOF
}
case ${1:-} in -h | --help) usage; exit 0 ;; esac
[ $# -eq 0 ] || { usage >&2; exit 2; }
cd "$(dirname "$0")/.."

tools/install-deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target vorlax_demo_fixer

# A demo as the game leaves it after a crash: length field 0, then the recording.
sample_dir="$PWD/build/sample"
mkdir -p "$sample_dir"
{ printf '\0\0\0\0'; head -c 4096 /dev/urandom; } > "$sample_dir/crashed.dmo"
echo "A broken sample demo is at $sample_dir/crashed.dmo"
echo "(in the Open dialog: Z:${sample_dir//\//\\}\\crashed.dmo)"

source tools/wine-env.sh build/wine-run
wine_prepare_prefix
launch=()
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: running on a virtual one (xvfb-run), where no window can be seen."
    launch=(xvfb-run -a)
fi
cd build/windows/ui
exec "${launch[@]}" wine "Vorlax Demo Fixer.exe"
