#!/usr/bin/env bash
# Times the demo's start-up as a viewer sees it: from just before the process starts until
# its first buffer swap returns, over several runs (default 8). A small library preloaded
# into the demo takes the time at the swap and ends the process there.
# Usage: scripts/startup.sh [RUNS]. The build folder is build/, or LANTERNFALL_BUILD_DIR.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/build.sh

runs=${1:-8}
install_missing
build_targets --target content lanternfall first_swap_hook >/dev/null
hook=$(realpath "$build_dir/tools/libfirst_swap_hook.so")
# shellcheck disable=SC2016 # the measuring shell expands it
measure='
for ((i = 1; i <= $1; i++)); do
    LANTERNFALL_START_NS=$(date +%s%N) LD_PRELOAD=$2 ALSOFT_DRIVERS=null \
        "$3" 2>&1 >/dev/null | grep "first frame after"
done'
on_display bash -c "$measure" measure "$runs" "$hook" "$build_dir/lanternfall"
