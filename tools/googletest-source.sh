#!/usr/bin/env bash
# Prints the folder of a GoogleTest 1.12 source tree for the builds' GOOGLETEST_SOURCE_DIR:
# Debian's (package googletest) where it is installed, else a copy of release 1.12.1 fetched once
# into build/.
set -euo pipefail
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
