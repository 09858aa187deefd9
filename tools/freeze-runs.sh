#!/usr/bin/env bash
# Writes the frozen regression runs anew. Every folder under tests/data/runs holds the batch
# runner's arguments (args) and any input they name; this runs each one there and replaces its
# report files and printed figures (stdout.txt). A change that is meant to move figures
# regenerates them with this command; review the diff line by line before committing it.
#   tools/freeze-runs.sh [path/to/strida-batch]      (default: build/strida-batch)
set -euo pipefail
cd "$(dirname "$0")/.."
batch=$(realpath "${1:-build/strida-batch}")
for dir in tests/data/runs/*/; do
    rm -f "$dir"*.txt
    # shellcheck disable=SC2046  # the arguments are words without spaces
    (cd "$dir" && "$batch" $(cat args) --out . >stdout.txt 2>/dev/null)
    rm -f "$dir"manifest.json  # it names times and the source revision, which every run changes
    echo "froze ${dir%/}"
done
