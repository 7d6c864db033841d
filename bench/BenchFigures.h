#pragma once
// What the benchmark programs share for their figures: timing a call over a
// short stretch, the median of the repetitions, and the choice between the
// figures (no arguments) and the Google Benchmark cases (--benchmark_...).
#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

namespace benchfig {

// Processor seconds of this thread, the kernel's work for it (page faults)
// included. Time the thread waits for the processor is not in it, so a busy
// machine changes it far less than the time on the clock.
inline double ThreadSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Seconds per call of `op`, called until at least `minSeconds` have passed on
// the clock: `cpu` gets the thread's processor seconds per call, the result
// is the clock's.
inline double SecondsPerCall(const std::function<void()>& op, double minSeconds, double* cpu = nullptr) {
    using Clock = std::chrono::steady_clock;
    int calls = 0;
    const auto start = Clock::now();
    const double cpuStart = ThreadSeconds();
    double elapsed = 0;
    do {
        op();
        ++calls;
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    } while (elapsed < minSeconds);
    if (cpu) *cpu = (ThreadSeconds() - cpuStart) / calls;
    return elapsed / calls;
}

inline double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The number of repetitions: QPM_BENCH_REPS, else `fallback`.
inline int Repetitions(int fallback) {
    const char* reps = std::getenv("QPM_BENCH_REPS");
    return reps ? std::max(1, std::atoi(reps)) : fallback;
}

// With a --benchmark_... argument, runs the registered Google Benchmark cases
// and gives true; otherwise gives false and the caller prints its figures.
inline bool RanGoogleBenchmarks(int argc, char** argv) {
    bool asked = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--benchmark_", 12) == 0) asked = true;
    }
    if (!asked) return false;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) std::exit(1);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return true;
}

}  // namespace benchfig
