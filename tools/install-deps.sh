#!/usr/bin/env bash
# Installs the Debian/Ubuntu packages the build, the tests and the Wine run need, if missing.
set -euo pipefail

packages=(cmake make g++ g++-mingw-w64-x86-64-posix wine wine64 xvfb xauth imagemagick
          fonts-wine fonts-liberation googletest clang-format)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -q
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
