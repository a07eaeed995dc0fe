#!/usr/bin/env bash
# Builds everything and times whole frames of the demo (frame_benchmark), from the
# repository root; under Xvfb when there is no display. Arguments go to the
# benchmark, e.g. --benchmark_min_time=2.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/build.sh
exec bash scripts/on_display.sh ./build/tools/frame_benchmark "$@"
