#!/usr/bin/env bash
# Generates every resource file a second time and compares it byte for byte with
# what the build generated under resources/.
# Usage: determinism_test.sh GENERATOR RESOURCES_DIR
set -uo pipefail

generator=$1
resources=$2
again=$(mktemp -d)
trap 'rm -rf "$again"' EXIT

"$generator" all "$again" || { echo "FAIL: the generator failed"; exit 1; }
count=0
while IFS= read -r -d '' file; do
    relative=${file#"$again"/}
    if ! cmp -s "$file" "$resources/$relative"; then
        echo "FAIL: $relative differs between two runs"
        exit 1
    fi
    count=$((count + 1))
done < <(find "$again" -type f -print0)
[[ $count -gt 0 ]] || { echo "FAIL: nothing was generated"; exit 1; }
echo "PASS: $count files, the same bytes twice"
