#!/usr/bin/env bash
# Sets everything up on a fresh Debian 12 machine, builds Strida and runs every test: once in a
# normal build, once under AddressSanitizer and UndefinedBehaviorSanitizer (any report fails).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh

tools/build.sh build
ctest --test-dir build --output-on-failure -j"$(nproc)"

tools/build.sh build-sanitize -DSTRIDA_SANITIZE=ON -DSTRIDA_BENCHMARKS=OFF
ASAN_OPTIONS=abort_on_error=1:detect_leaks=1:strict_string_checks=1 \
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    ctest --test-dir build-sanitize --output-on-failure -j"$(nproc)"
echo "All tests passed."
