#!/usr/bin/env bash
# Builds everything and runs the whole test suite, under a virtual X server when
# no display exists (the GL and end-to-end tests open windows).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/build.sh
ctest_args=(--test-dir build --output-on-failure --timeout 600)
if [[ -n "${DISPLAY:-}" ]]; then
    ctest "${ctest_args[@]}" "$@"
else
    xvfb-run -a -s "-screen 0 1280x1024x24" ctest "${ctest_args[@]}" "$@"
fi
