#!/usr/bin/env bash
# Builds the content and the timedemo, then plays the show as fast as this machine draws
# it in the demo's own window and reports the frame times, with a CSV and a chart of them
# (default build/timedemo.csv and build/timedemo.png). Without a display it runs under
# Xvfb. Usage: scripts/timedemo.sh [--from SECONDS] [--to SECONDS] [--csv FILE]
# [--plot FILE.png] [--passes] [--finish] [--overhead] (--help for more).
# The timedemo is built in build/, or LANTERNFALL_BUILD_DIR; the default files stay the same.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/build.sh

install_missing
build_targets --target content timedemo
on_display "$build_dir/tools/timedemo" "$@"
