#!/usr/bin/env bash
# Runs a command on the display, or under a virtual X server (Xvfb) when there is none: the
# tools and tests that open windows start through it. SIGINT and SIGTERM sent to it reach the
# command, and it waits for it; the virtual server ends with it.
# Usage: scripts/on_display.sh COMMAND...
set -euo pipefail
# shellcheck source=scripts/lib/build.sh
source "$(dirname "$0")/lib/build.sh"

on_display "$@"
