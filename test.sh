#!/usr/bin/env bash
# Builds everything and runs every test: a normal build, then a second build
# under AddressSanitizer and UndefinedBehaviorSanitizer. Exits non-zero on any
# failure.
set -euo pipefail
cd "$(dirname "$0")"
. tools/deps.sh
qpm_need_packages "${QPM_BUILD_PACKAGES[@]}"

jobs=$(nproc)

echo "== Normal build =="
cmake -S . -B build -G Ninja
cmake --build build -j "$jobs"
ctest --test-dir build -j "$jobs" --output-on-failure

echo "== Sanitizer build (ASan + UBSan) =="
cmake -S . -B build-asan -G Ninja -DQPM_SANITIZE=ON -DQPM_BUILD_BENCH=OFF
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan -j "$jobs" --output-on-failure

echo "All tests passed."
