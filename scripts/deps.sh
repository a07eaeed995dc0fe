#!/usr/bin/env bash
# Installs the Debian packages the build, the demo and the tests need, when any is missing.
set -euo pipefail

packages=(
    cmake g++ make pkg-config
    libglfw3-dev libglm-dev libassimp-dev python3-glad libx11-dev
    libpng-dev libturbojpeg0-dev libstb-dev clang libclang-rt-14-dev assimp-testmodels
    libopenal-dev libsndfile1-dev libmp3lame-dev
    libavformat-dev libavcodec-dev libswscale-dev libavutil-dev ffmpeg
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth xdotool python3-matplotlib apitrace glslang-tools dpkg-dev
    desktop-file-utils appstream clang-format shellcheck
    lintian devscripts man-db groff-base
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
as_root=()
if [[ $(id -u) -ne 0 ]]; then
    command -v sudo >/dev/null || { echo "Run as root or install sudo: apt-get needs it." >&2; exit 1; }
    as_root=(sudo)
fi
"${as_root[@]}" apt-get update -q
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
