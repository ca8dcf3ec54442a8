#!/usr/bin/env bash
# Measures the program against a bare Win32 program under Wine (inside Xvfb), for the x64 and the
# x86 build: start-up time, peak memory, size of the stripped exe and the DLLs it imports, and the
# cost of a repair. Installs what is missing and builds first.
set -euo pipefail
usage() {
    cat <<'EOF'
Usage: bench/run.sh
Installs what is missing (tools/install-deps.sh), builds the windows and windows-x86 presets, and
measures each build of the program against a bare Win32 program under Wine and Xvfb: start-up
time and peak memory (medians of 15 starts each), the stripped exe's size, the DLLs it imports
and the time of a repair.
EOF
}
case ${1:-} in -h | --help) usage; exit 0 ;; esac
[ $# -eq 0 ] || { usage >&2; exit 2; }
cd "$(dirname "$0")/.."
tools/install-deps.sh
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs), $(wine --version 2>/dev/null)"

for preset in windows windows-x86; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" >/dev/null
    exe="build/$preset/ui/Vorlax Demo Fixer.exe"
    size=$(stat -c %s "$exe")
    echo "== $preset"
    echo "stripped exe: $size bytes ($((size / 1024)) KiB; goal <= 160 KiB)"
    echo "imports: $(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name/ {print $3}' | tr '\n' ' ')"
    cat > "build/$preset/bench/run-inside.sh" <<INNER
set -euo pipefail
source tools/wine-env.sh build/wineprefix
wine_start unmanaged
trap wine_stop EXIT
status=0
(cd build/$preset/bench && wine startup_bench.exe "..\\\\ui\\\\Vorlax Demo Fixer.exe" bare_window.exe 15) || status=\$?
(cd build/$preset/bench && wine repair_bench.exe) || status=\$?
exit \$status
INNER
    xvfb-run -a -s "-screen 0 1024x768x24" bash "build/$preset/bench/run-inside.sh"
done
