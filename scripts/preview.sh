#!/usr/bin/env bash
# Builds the content and the dungeon preview, then renders views along the camera
# path into build/preview/ (one PNG per view and contact_sheet.png). Arguments are
# extra camera path entries to render (with --only, the only ones). Without a display it
# runs under Xvfb. LANTERNFALL_BUILD_DIR, when set, replaces build/, pictures included.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/build.sh

install_missing
build_targets --target content preview
on_display "$build_dir/tools/preview" --out "$build_dir/preview" "$@"
