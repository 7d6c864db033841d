#!/usr/bin/env bash
# Builds everything and runs every test: a normal build with its tests and the
# end-to-end scenarios of the real program on virtual displays, then a second
# build under AddressSanitizer and UndefinedBehaviorSanitizer, then the
# libFuzzer targets for a bounded time. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"
. tools/deps.sh
qpm_need_packages "${QPM_BUILD_PACKAGES[@]}" "${QPM_E2E_PACKAGES[@]}" "${QPM_FUZZ_PACKAGES[@]}"

jobs=$(nproc)

echo "== Normal build =="
cmake -S . -B build -G Ninja
cmake --build build -j "$jobs"
ctest --test-dir build -j "$jobs" --output-on-failure

echo "== The program end to end: scenarios on virtual displays (tools/e2e) =="
tools/e2e/run.sh

echo "== Sanitizer build (ASan + UBSan) =="
cmake -S . -B build-asan -G Ninja -DQPM_SANITIZE=ON -DQPM_BUILD_BENCH=OFF
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan -j "$jobs" --output-on-failure

echo "== Fuzz targets (clang, libFuzzer + ASan + UBSan) =="
# Only the Qt-free sources and fuzz/ are built here. Each target runs for a
# bounded time from its committed seeds (fuzz/corpus/<target>) and the inputs
# it found before (build-fuzz/corpus/<target>); a crash leaves its input in
# build-fuzz/artifacts/ and fails the run. QPM_FUZZ_SECONDS sets the time.
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DQPM_FUZZ=ON -DQPM_BUILD_BENCH=OFF
cmake --build build-fuzz -j "$jobs"
fuzz_seconds=${QPM_FUZZ_SECONDS:-60}
mkdir -p build-fuzz/artifacts
pids=()
targets=(load_db string_form line_coding zlib)
for target in "${targets[@]}"; do
    mkdir -p "build-fuzz/corpus/$target"
    build-fuzz/fuzz/fuzz_$target -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="build-fuzz/artifacts/$target-" "build-fuzz/corpus/$target" "fuzz/corpus/$target" \
        >"build-fuzz/fuzz_$target.log" 2>&1 &
    pids+=($!)
done
fuzz_failed=0
for i in "${!targets[@]}"; do
    if wait "${pids[$i]}"; then
        echo "fuzz_${targets[$i]}: $(grep -a 'DONE' "build-fuzz/fuzz_${targets[$i]}.log" | tail -n 1)"
    else
        echo "fuzz_${targets[$i]} FAILED:" >&2
        tail -n 60 "build-fuzz/fuzz_${targets[$i]}.log" >&2
        fuzz_failed=1
    fi
done
[ "$fuzz_failed" -eq 0 ]

echo "All tests passed."
