#!/usr/bin/env bash
# Builds the content and the dungeon preview, then renders views along the camera
# path into build/preview/ (one PNG per view and contact_sheet.png). Arguments are
# extra camera path entries to render (with --only, the only ones). Without a display it
# runs under Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${LANTERNFALL_BUILD_DIR:-build}
if [[ ! -f "$build/CMakeCache.txt" ]]; then
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build" --target content preview -j"$(nproc)"

exec bash scripts/on_display.sh "$build/tools/preview" --out build/preview "$@"
