#!/usr/bin/env bash
# Gate: every C and C++ file the repository tracks is formatted as .clang-format says.
# Prints each line at fault as FILE:LINE:COLUMN and fails; `clang-format -i FILE` fixes it.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/build.sh

install_missing
mapfile -t files < <(git ls-files -- '*.cpp' '*.h' '*.c')
clang-format --dry-run --Werror "${files[@]}"
echo "Formatting: ${#files[@]} files as .clang-format says."
