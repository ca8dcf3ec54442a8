#!/usr/bin/env bash
# Prints the folder of a GoogleTest 1.12 source tree for the builds' GOOGLETEST_SOURCE_DIR:
# Debian's (package googletest) where it is installed, else a copy of release 1.12.1 fetched once
# into build/.
set -euo pipefail
usage() {
    cat <<'EOF'
Usage: tools/googletest-source.sh
Prints the folder of a GoogleTest 1.12 source tree: /usr/src/googletest where Debian's googletest
package is installed, else build/googletest-1.12.1, cloned there with git on first use.
EOF
}
case ${1:-} in -h | --help) usage; exit 0 ;; esac
[ $# -eq 0 ] || { usage >&2; exit 2; }
cd "$(dirname "$0")/.."
if [ -f /usr/src/googletest/CMakeLists.txt ]; then
    echo /usr/src/googletest
    exit 0
fi
folder=build/googletest-1.12.1
if [ ! -f "$folder/CMakeLists.txt" ]; then
    rm -rf "$folder"
    git clone -q --depth 1 --branch release-1.12.1 https://github.com/google/googletest.git \
        "$folder" >&2
fi
echo "$PWD/$folder"
