#!/usr/bin/env bash
# Installs the Debian/Ubuntu packages the builds, the tests and the Wine runs need, if missing.
# 32-bit Wine (for the x86 build) needs the i386 architecture. With "release", only what
# tools/release.sh needs to build, sign (osslsigncode reaches a PKCS#11 module through OpenSSL's
# pkcs11 engine) and pack the releases (no Wine, no tests). The signing test adds a SoftHSM2
# token, OpenSC's pkcs11-tool to make a key in it and Python for its timestamp server.
# Usage: tools/install-deps.sh [release]
set -euo pipefail

release_packages=(cmake make g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32 git
                  osslsigncode libengine-pkcs11-openssl openssl ca-certificates unzip)
if [ "${1:-}" = release ]; then
    packages=("${release_packages[@]}")
else
    packages=("${release_packages[@]}" g++ g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
              wine wine64 wine32:i386 xvfb xauth openbox xdotool imagemagick fonts-wine
              fonts-liberation fonts-dejavu-core googletest clang-format softhsm2 opensc python3)
fi
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
if [[ " ${missing[*]} " == *:i386\ * ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo[@]}" dpkg --add-architecture i386
fi
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -q
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
