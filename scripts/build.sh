#!/usr/bin/env bash
# Installs what is missing, then configures and builds into the build folder (incrementally):
# build/, or LANTERNFALL_BUILD_DIR. Arguments go to cmake --build, e.g. --target record.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/build.sh

install_missing
build_targets "$@"
