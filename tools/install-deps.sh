#!/usr/bin/env bash
# Installs the Debian/Ubuntu packages the builds, the tests and the Wine runs need, if missing.
# 32-bit Wine (for the x86 build's tests) needs the i386 architecture; where the release cannot
# give it (Debian unstable in a library transition, say), everything else is installed and the x86
# build is built and checked but its Wine tests are reported NOT TESTED. With "release", only what
# tools/release.sh needs to build, sign (osslsigncode reaches a PKCS#11 module through OpenSSL's
# pkcs11 engine) and pack the releases (no Wine, no tests). The signing test adds a SoftHSM2
# token, OpenSC's pkcs11-tool to make a key in it and Python for its timestamp server.
usage() {
    echo "Usage: tools/install-deps.sh [release]   (installs with apt-get; needs root or sudo)"
}
set -euo pipefail
case "${1:-}" in
    -h | --help) usage; exit 0 ;;
    "" | release) ;;
    *) usage >&2; exit 2 ;;
esac
[ $# -le 1 ] || { usage >&2; exit 2; }

release_packages=(cmake make g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32 git
                  osslsigncode libengine-pkcs11-openssl openssl ca-certificates unzip)
if [ "${1:-}" = release ]; then
    packages=("${release_packages[@]}")
else
    packages=("${release_packages[@]}" g++ g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
              wine wine64 wine32:i386 xvfb xauth openbox xdotool imagemagick fonts-wine
              fonts-liberation fonts-dejavu-core googletest clang-format softhsm2 opensc python3)
fi
installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}
missing=()
for p in "${packages[@]}"; do
    installed "$p" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
apt_install() {
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "$@"
}
if [[ " ${missing[*]} " == *:i386\ * ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo[@]}" dpkg --add-architecture i386
fi
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -q
if [[ " ${missing[*]} " != *" wine32:i386 "* ]] || apt-get install -s -q "${missing[@]}" >/dev/null 2>&1; then
    apt_install "${missing[@]}"
    exit 0
fi
# The whole set cannot be resolved: 32-bit Wine may be what stands in the way. The rest must
# install; 32-bit Wine alone is allowed to fail.
rest=()
for p in "${missing[@]}"; do
    [ "$p" = wine32:i386 ] || rest+=("$p")
done
apt_install "${rest[@]}"
if apt-get install -s -q wine32:i386 >/dev/null 2>&1; then
    apt_install wine32:i386
else
    echo "32-bit Wine (wine32:i386) cannot be installed here: the x86 build will be built and"
    echo "checked, and its Wine tests reported NOT TESTED."
fi
