#!/usr/bin/env bash
# Gate: shellcheck over every shell script the repository tracks (the *.sh files and any
# other file that starts with a bash or sh line). Findings print as FILE:LINE:COLUMN.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/build.sh

install_missing
scripts=()
while IFS= read -r file; do
    if [[ "$file" == *.sh ]] || head -n 1 "$file" | grep -Eq '^#!.*[/ ](ba)?sh( |$)'; then
        scripts+=("$file")
    fi
done < <(git ls-files)
shellcheck --format=gcc --external-sources "${scripts[@]}"
echo "Shell scripts: ${#scripts[@]} checked, no finding."
