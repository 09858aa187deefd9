#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer (AddressSanitizer and UndefinedBehaviorSanitizer
# on) and runs each for MINUTES minutes (default 10; fractions allowed, 0.5 is half a minute),
# starting from the corpus committed in tests/fuzz/corpus. Inputs that find new paths are kept in
# build-fuzz/corpus; a crash stops the run, and its input is left in build-fuzz/artifacts: add it to
# tests/fuzz/corpus/<target>/ once the fault is fixed.
#   tools/fuzz.sh [MINUTES]
set -euo pipefail
cd "$(dirname "$0")/.."
minutes=${1:-10}
seconds=$(awk -v m="$minutes" 'BEGIN { s = int(m * 60); print (s < 1 ? 1 : s) }')
CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -DSTRIDA_FUZZ=ON \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz -j"$(nproc)" >/dev/null
mkdir -p build-fuzz/artifacts
for target in numbers ped_file settings run trajectory_text sweep_design scenario manifest; do
    work=build-fuzz/corpus/$target
    mkdir -p "$work"
    # A replay reads files of gigabytes: its reader takes inputs of up to a megabyte here.
    case $target in trajectory_text) max_len=1048576 ;; *) max_len=8192 ;; esac
    echo "fuzzing $target for $seconds s"
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
        "build-fuzz/${target}_fuzz" "$work" "tests/fuzz/corpus/$target" \
        -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=20 -max_len="$max_len" \
        -artifact_prefix="build-fuzz/artifacts/${target}-" -print_final_stats=1 2>&1 |
        grep -E '^(stat::number_of_executed_units|#[0-9]+ +(DONE|NEW|REDUCE|pulse)|==[0-9]+==ERROR|SUMMARY)' |
        tail -n 2
    [ "${PIPESTATUS[0]}" -eq 0 ] || { echo "fuzz target $target failed" >&2; exit 1; }
done
