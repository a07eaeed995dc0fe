#!/usr/bin/env bash
# Installs what is missing, then configures and builds into build/ (incrementally).
# Arguments go to cmake --build, e.g. --target record.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh
if [[ ! -f build/CMakeCache.txt ]]; then
    cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build build -j"$(nproc)" "$@"
