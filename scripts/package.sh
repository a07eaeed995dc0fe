#!/usr/bin/env bash
# Builds the demo and its content in a release build folder and packs them as a Debian
# package: build-package/lanternfall_VERSION_amd64.deb (LANTERNFALL_BUILD_DIR replaces
# build-package/). Install it with `sudo apt-get install ./build-package/lanternfall_*.deb`.
set -euo pipefail
cd "$(dirname "$0")/.."
LANTERNFALL_BUILD_DIR=${LANTERNFALL_BUILD_DIR:-build-package}
source scripts/lib/build.sh

install_missing
if [[ ! -f "$build_dir/CMakeCache.txt" ]]; then
    cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DLANTERNFALL_TESTS=OFF
fi
cmake --build "$build_dir" -j"$(nproc)" --target lanternfall content
(cd "$build_dir" && cpack -G DEB)
ls "$build_dir"/lanternfall_*.deb
