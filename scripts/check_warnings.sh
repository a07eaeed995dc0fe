#!/usr/bin/env bash
# Gate: builds everything with warnings as errors (-Wall -Wextra -Werror), so the first
# warning stops the build at its file and line. It turns LANTERNFALL_WERROR on in the build
# folder (build/, or LANTERNFALL_BUILD_DIR), where later builds keep it; configure with
# -DLANTERNFALL_WERROR=OFF to go back.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/build.sh

install_missing
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLANTERNFALL_WERROR=ON >/dev/null
build_targets
echo "Warnings: none, in a build with -Werror."
