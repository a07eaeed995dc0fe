#!/usr/bin/env bash
# Builds the content and the recorder, then records the show with its music to an MP4 file, frame by
# frame at a fixed rate, however slowly this machine renders. Without a display it runs
# under Xvfb. Usage: scripts/record.sh [OUT.mp4] [--from SECONDS] [--to SECONDS] [--fps N]
# (default build/lanternfall.mp4, the whole show at 60 frames per second; --help for more).
# The recorder is built in build/, or LANTERNFALL_BUILD_DIR; the default file stays the same.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/build.sh

install_missing
build_targets --target content record
on_display "$build_dir/tools/record" "$@"
