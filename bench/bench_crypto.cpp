// Throughput of the library's RC4 and MD5 against OpenSSL's on the same data.
//
// Run without arguments it prints the throughput ratios (ours / OpenSSL),
// goals beside them: RC4 at least 0.9, MD5 at least 0.7. Each repetition
// times ours and OpenSSL's in turn on the same buffer, a short stretch each,
// so both see the same load on a busy machine; the median of the per-pair
// ratios decides. Rates are per second of the thread's processor time.
// QPM_BENCH_REPS sets the number of repetitions (default 15).
// With --benchmark_filter=... it runs the Google Benchmark cases instead.
#include <benchmark/benchmark.h>
#include <openssl/md5.h>
#include <openssl/rc4.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "BenchFigures.h"
#include "clsMD5HASH.h"
#include "clsRC4.h"

namespace {

// A multiple of 64 below the 32,767 bytes one MD5Update takes.
constexpr std::size_t kMd5Chunk = 511 * 64;

std::vector<std::uint8_t> Data(std::size_t n) {
    std::vector<std::uint8_t> v(n);
    std::uint32_t x = 12345;
    for (auto& b : v) {
        x = x * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(x >> 24);
    }
    return v;
}

template <typename T>
struct Owned {
    T* p = new T();
    ~Owned() { p->Release(); }
    T* operator->() { return p; }
};

const std::string kKey = "a benchmark key";

void BM_RC4_Ours(benchmark::State& state) {
    auto data = Data(static_cast<std::size_t>(state.range(0)));
    Owned<vedb::clsRC4> rc4;
    rc4->Key(kKey);
    for (auto _ : state) {
        rc4->CipherInPlace(reinterpret_cast<char*>(data.data()), data.size());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void BM_RC4_OpenSSL(benchmark::State& state) {
    auto data = Data(static_cast<std::size_t>(state.range(0)));
    RC4_KEY keyed;
    RC4_set_key(&keyed, static_cast<int>(kKey.size()), reinterpret_cast<const unsigned char*>(kKey.data()));
    for (auto _ : state) {
        // Like ours, every call starts from the keyed state.
        RC4_KEY k = keyed;
        RC4(&k, data.size(), data.data(), data.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void BM_MD5_Ours(benchmark::State& state) {
    const auto data = Data(static_cast<std::size_t>(state.range(0)));
    std::vector<std::vector<std::uint8_t>> chunks;
    for (std::size_t off = 0; off < data.size(); off += kMd5Chunk)
        chunks.emplace_back(data.begin() + off, data.begin() + std::min(off + kMd5Chunk, data.size()));
    Owned<vedb::clsMD5HASH> md5;
    for (auto _ : state) {
        md5->MD5Init();
        for (const auto& c : chunks) md5->MD5Update(static_cast<std::int32_t>(c.size()), c);
        md5->MD5Final();
        benchmark::DoNotOptimize(md5->GetValues());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void BM_MD5_OpenSSL(benchmark::State& state) {
    const auto data = Data(static_cast<std::size_t>(state.range(0)));
    unsigned char digest[MD5_DIGEST_LENGTH];
    for (auto _ : state) {
        MD5_CTX ctx;
        MD5_Init(&ctx);
        MD5_Update(&ctx, data.data(), data.size());
        MD5_Final(digest, &ctx);
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

constexpr std::int64_t kMiB = 1 << 20;
BENCHMARK(BM_RC4_Ours)->Arg(kMiB)->Arg(64 * kMiB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RC4_OpenSSL)->Arg(kMiB)->Arg(64 * kMiB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MD5_Ours)->Arg(kMiB)->Arg(64 * kMiB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MD5_OpenSSL)->Arg(kMiB)->Arg(64 * kMiB)->Unit(benchmark::kMillisecond);

// Bytes per second of `op` over `bytes`, timed over `seconds`.
double Rate(const std::function<void()>& op, std::size_t bytes, double seconds) {
    double cpu = 0;
    benchfig::SecondsPerCall(op, seconds, &cpu);
    return static_cast<double>(bytes) / cpu;
}

struct Pair {
    const char* what;
    double goal;
    std::function<void()> ours;
    std::function<void()> theirs;
    std::size_t bytes;
};

void PrintRatios(int reps) {
    auto data = Data(static_cast<std::size_t>(kMiB));
    Owned<vedb::clsRC4> rc4;
    rc4->Key(kKey);
    RC4_KEY keyed;
    RC4_set_key(&keyed, static_cast<int>(kKey.size()), reinterpret_cast<const unsigned char*>(kKey.data()));
    std::vector<std::vector<std::uint8_t>> chunks;
    for (std::size_t off = 0; off < data.size(); off += kMd5Chunk)
        chunks.emplace_back(data.begin() + off, data.begin() + std::min(off + kMd5Chunk, data.size()));
    Owned<vedb::clsMD5HASH> md5;

    std::vector<Pair> pairs = {
        {"RC4, 1 MiB", 0.9,
         [&] {
             rc4->CipherInPlace(reinterpret_cast<char*>(data.data()), data.size());
             benchmark::ClobberMemory();
         },
         [&] {
             RC4_KEY k = keyed;
             RC4(&k, data.size(), data.data(), data.data());
             benchmark::ClobberMemory();
         },
         data.size()},
        {"MD5, 1 MiB", 0.7,
         [&] {
             md5->MD5Init();
             for (const auto& c : chunks) md5->MD5Update(static_cast<std::int32_t>(c.size()), c);
             md5->MD5Final();
             benchmark::DoNotOptimize(md5->GetValues());
         },
         [&] {
             unsigned char digest[MD5_DIGEST_LENGTH];
             MD5_CTX ctx;
             MD5_Init(&ctx);
             MD5_Update(&ctx, data.data(), data.size());
             MD5_Final(digest, &ctx);
             benchmark::DoNotOptimize(digest);
         },
         data.size()},
    };
    std::printf("%-12s %8s %8s %8s  %-8s %s   (MiB/s, medians: ours / OpenSSL)\n", "ratio", "median", "min", "max",
                "goal", "met");
    for (const Pair& p : pairs) {
        std::vector<double> ratios, ours, theirs;
        for (int rep = 0; rep < reps; ++rep) {
            // Alternate which side goes first, so neither always meets the
            // same moment of a load that comes and goes.
            double a = 0, b = 0;
            if (rep % 2 == 0) {
                a = Rate(p.ours, p.bytes, 0.05);
                b = Rate(p.theirs, p.bytes, 0.05);
            } else {
                b = Rate(p.theirs, p.bytes, 0.05);
                a = Rate(p.ours, p.bytes, 0.05);
            }
            ours.push_back(a);
            theirs.push_back(b);
            ratios.push_back(a / b);
        }
        const double median = benchfig::Median(ratios);
        std::printf("%-12s %8.2f %8.2f %8.2f  >= %-5.2f %s   (%.0f / %.0f)\n", p.what, median,
                    *std::min_element(ratios.begin(), ratios.end()), *std::max_element(ratios.begin(), ratios.end()),
                    p.goal, median >= p.goal ? "yes" : "NO", benchfig::Median(ours) / 1048576.0,
                    benchfig::Median(theirs) / 1048576.0);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (!benchfig::RanGoogleBenchmarks(argc, argv)) PrintRatios(benchfig::Repetitions(15));
    return 0;
}
