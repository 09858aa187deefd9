#!/usr/bin/env bash
# Sets everything up on a fresh Debian 12 machine, builds Strida and runs every test: once in a
# normal build, once under AddressSanitizer and UndefinedBehaviorSanitizer, and the tests of the
# step shared out over threads once more under ThreadSanitizer (any report fails).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup.sh

tools/build.sh build
ctest --test-dir build --output-on-failure -j"$(nproc)"

tools/build.sh build-sanitize -DSTRIDA_SANITIZE=ON -DSTRIDA_BENCHMARKS=OFF
ASAN_OPTIONS=abort_on_error=1:detect_leaks=1:strict_string_checks=1 \
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    ctest --test-dir build-sanitize --output-on-failure -j"$(nproc)"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSTRIDA_BENCHMARKS=OFF \
    -DCMAKE_CXX_FLAGS=-fsanitize=thread -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread >/dev/null
cmake --build build-tsan --target strida_tests strida-batch -j"$(nproc)" >/dev/null
TSAN_OPTIONS=halt_on_error=1 build-tsan/strida_tests \
    --gtest_filter='CorridorTest.*:SimultaneousThreads.*:BadInput.ASimultaneous*:AbandonedStep.*'
echo "All tests passed."
