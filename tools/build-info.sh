#!/usr/bin/env bash
# A release's build-info: what built it, so that the same exes can be built again, byte for byte,
# years later. One "field value" line each: the Debian release with its point release, the
# source commit and its time (SOURCE_DATE_EPOCH), and the exact version of every Debian package
# of the toolchain: the MinGW-w64 compilers, binutils, runtime and headers, CMake, make and
# osslsigncode.
# Usage: tools/build-info.sh write FILE     records this machine's toolchain and the checkout's commit
#        tools/build-info.sh compare FILE   names each way this machine differs from FILE (exit
#                                           status 1 if there is one, 2 if FILE is missing)
#        tools/build-info.sh packages FILE  prints FILE's packages as apt-get takes them (name=version)
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(gcc-mingw-w64-base gcc-mingw-w64-x86-64-win32 gcc-mingw-w64-x86-64-win32-runtime
          g++-mingw-w64-x86-64-win32 gcc-mingw-w64-i686-win32 gcc-mingw-w64-i686-win32-runtime
          g++-mingw-w64-i686-win32 binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
          mingw-w64-common mingw-w64-x86-64-dev mingw-w64-i686-dev cmake cmake-data make
          osslsigncode)

installed() { # PACKAGE: its installed version, or nothing
    dpkg-query -W -f='${Status} ${Version}' "$1" 2>/dev/null |
        sed -n 's/^install ok installed //p'
}
debian() { # the release and point release, e.g. 12.11
    cat /etc/debian_version 2>/dev/null || echo "none (not Debian)"
}

usage() {
    echo "Usage: tools/build-info.sh write|compare|packages FILE"
}
case ${1:-} in
    -h | --help) usage; exit 0 ;;
esac
[ $# -eq 2 ] || { usage >&2; exit 2; }
file=$2
case $1 in
    write)
        commit=$(git rev-parse HEAD)
        time=$(git log -1 --format=%ct)
        {
            echo "debian $(debian)"
            echo "commit $commit"
            echo "commit-time $time $(date -u -d "@$time" +%Y-%m-%dT%H:%M:%SZ)"
            for p in "${packages[@]}"; do
                version=$(installed "$p")
                [ -n "$version" ] || { echo "build-info: $p is not installed" >&2; exit 1; }
                echo "package $p $version"
            done
        } >"$file"
        ;;
    compare)
        [ -f "$file" ] || { echo "build-info: no file $file" >&2; exit 2; }
        differences=0
        differ() {
            echo "  $*"
            differences=$((differences + 1))
        }
        echo "Where this machine differs from $file:"
        recorded=$(sed -n 's/^debian //p' "$file")
        [ "$recorded" = "$(debian)" ] || differ "Debian: $(debian) here, $recorded there"
        recorded=$(sed -n 's/^commit //p' "$file")
        here=$(git rev-parse HEAD)
        [ "$recorded" = "$here" ] || differ "commit: $here checked out here, $recorded there"
        while read -r field p version; do
            [ "$field" = package ] || continue
            here=$(installed "$p")
            [ "$here" = "$version" ] || differ "$p: ${here:-not installed} here, $version there"
        done <"$file"
        if [ "$differences" -eq 0 ]; then
            echo "  nowhere: the same Debian, commit and package versions."
            exit 0
        fi
        echo "  ($differences difference(s): the exes may differ from the ones it built.)"
        exit 1
        ;;
    packages)
        [ -f "$file" ] || { echo "build-info: no file $file" >&2; exit 2; }
        awk '$1 == "package" { print $2 "=" $3 }' "$file"
        ;;
    *)
        usage >&2
        exit 2
        ;;
esac
