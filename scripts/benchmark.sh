#!/usr/bin/env bash
# Builds the content and the frame benchmark, then times whole frames of the demo with it
# (frame_benchmark), from the repository root; under Xvfb when there is no display.
# Arguments go to the benchmark, e.g. --benchmark_min_time=2. The build folder is build/,
# or LANTERNFALL_BUILD_DIR.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/build.sh

install_missing
build_targets --target content frame_benchmark
on_display "$build_dir/tools/frame_benchmark" "$@"
