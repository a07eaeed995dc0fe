#!/usr/bin/env bash
# Times the demo's start-up as a viewer sees it: from just before the process starts until
# its first buffer swap returns, over several runs (default 8). A small library preloaded
# into the demo takes the time at the swap and ends the process there.
# Usage: scripts/startup.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-8}
bash scripts/build.sh --target lanternfall first_swap_hook >/dev/null
hook="$PWD/build/tools/libfirst_swap_hook.so"
measure='
for ((i = 1; i <= '"$runs"'; i++)); do
    LANTERNFALL_START_NS=$(date +%s%N) LD_PRELOAD='"$hook"' ALSOFT_DRIVERS=null \
        ./build/lanternfall 2>&1 >/dev/null | grep "first frame after"
done'
bash scripts/on_display.sh bash -c "$measure"
