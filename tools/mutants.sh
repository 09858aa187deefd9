#!/usr/bin/env bash
# Mutation testing: plants one small fault at a time in the engine, rebuilds, runs every test that
# is not labelled "system", and lists the faults the tests let through. Arguments go to the tool,
# e.g.  tools/mutants.sh --sample 60 --seed 11 src/engine src/measure
# The tool is looked for at $MUTANTS, or beside the project in ../shared/tools/mutants.py. It uses
# a build folder of its own without the benchmarks, so that a rebuild after each fault is short.
set -euo pipefail
cd "$(dirname "$0")/.."
tool=${MUTANTS:-../shared/tools/mutants.py}
[ -f "$tool" ] || { echo "mutants.py not found; set MUTANTS=/path/to/mutants.py" >&2; exit 2; }
tools/build.sh build-mutants -DSTRIDA_BENCHMARKS=OFF >/dev/null
ctest --test-dir build-mutants -LE system --timeout 60 >/dev/null ||
    { echo "the tests fail before any fault is planted" >&2; exit 1; }
exec python3 "$tool" --build "cmake --build build-mutants -j$(nproc)" \
    --test "ctest --test-dir build-mutants -LE system --timeout 60 -j$(nproc)" "$@"
