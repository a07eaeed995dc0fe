#!/usr/bin/env bash
# Builds the content and the recorder, then records the show with its music to an MP4 file, frame by
# frame at a fixed rate, however slowly this machine renders. Without a display it runs
# under Xvfb. Usage: scripts/record.sh [OUT.mp4] [--from SECONDS] [--to SECONDS] [--fps N]
# (default build/lanternfall.mp4, the whole show at 60 frames per second; --help for more).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/build.sh --target content record
exec bash scripts/on_display.sh ./build/tools/record "$@"
