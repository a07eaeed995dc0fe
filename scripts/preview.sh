#!/usr/bin/env bash
# Builds the content and the dungeon preview, then renders views along the camera
# path into build/preview/ (one PNG per view and contact_sheet.png). Arguments are
# extra camera path entries to render. Without a display it runs under Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${LANTERNFALL_BUILD_DIR:-build}
if [[ ! -f "$build/CMakeCache.txt" ]]; then
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build" --target content preview -j"$(nproc)"

if [[ -n "${DISPLAY:-}" ]]; then
    exec "$build/tools/preview" --out build/preview "$@"
fi
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$build/tools/preview" --out build/preview "$@"
