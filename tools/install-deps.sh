#!/usr/bin/env bash
# Installs the Debian/Ubuntu packages the builds, the tests and the Wine runs need, if missing.
# 32-bit Wine (for the x86 build) needs the i386 architecture.
set -euo pipefail

packages=(cmake make g++ g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
          g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32 wine wine64
          wine32:i386 xvfb xauth openbox imagemagick fonts-wine fonts-liberation fonts-dejavu-core
          googletest clang-format)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo[@]}" dpkg --add-architecture i386
fi
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -q
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
