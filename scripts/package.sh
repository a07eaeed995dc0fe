#!/usr/bin/env bash
# Builds the demo and its content in a release build folder and packs them as a Debian
# package: build-package/lanternfall_VERSION_amd64.deb (LANTERNFALL_BUILD_DIR replaces
# build-package/). Install it with `sudo apt-get install ./build-package/lanternfall_*.deb`.
# The build takes Debian's hardening flags (fortify, stack protector, full RELRO with
# bind-now; PIE is the compiler's default), with stack clash protection added, which Debian
# 12's dpkg-buildflags does not give yet, and leaves out the fallback to this source tree,
# so the packaged binary holds no path of the machine that built it. Safe to repeat: a
# second run only rebuilds what changed.
set -euo pipefail
cd "$(dirname "$0")/.."
LANTERNFALL_BUILD_DIR=${LANTERNFALL_BUILD_DIR:-build-package}
source scripts/lib/build.sh

install_missing
# Configured every time, so a folder made before these settings still gets them; unchanged
# settings rebuild nothing.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
# CMake has no setting for preprocessor flags: they go with the compilers' flags.
common="$(dpkg-buildflags --get CPPFLAGS) -fstack-clash-protection"
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Release -DLANTERNFALL_TESTS=OFF \
    -DLANTERNFALL_BUILD_TREE_FALLBACK=OFF \
    -DCMAKE_C_FLAGS="$(dpkg-buildflags --get CFLAGS) $common" \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $common" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$build_dir" -j"$(nproc)" --target lanternfall content package_docs
(cd "$build_dir" && cpack -G DEB)
ls "$build_dir"/lanternfall_*.deb
