#!/usr/bin/env bash
# Runs a command on the display, or under a virtual X server (Xvfb) when there is none: the
# tools and tests that open windows start through it. Usage: scripts/on_display.sh COMMAND...
set -euo pipefail
if [[ -n "${DISPLAY:-}" ]]; then
    exec "$@"
fi
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
