// Throughput of the library's RC4 and MD5 against OpenSSL's on the same data,
// with the ratio (ours / OpenSSL) printed at the end. Goal: at least 0.7.
#include <benchmark/benchmark.h>
#include <openssl/md5.h>
#include <openssl/rc4.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

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

// Keeps each run's throughput so the ratios can be printed afterwards.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& run : runs) {
            auto it = run.counters.find("bytes_per_second");
            if (it != run.counters.end()) rates[run.benchmark_name()] = it->second.value;
        }
    }
    std::map<std::string, double> rates;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf("\nThroughput ratio, ours / OpenSSL (goal >= 0.70):\n");
    for (const char* algo : {"RC4", "MD5"}) {
        for (const char* size : {"1048576", "67108864"}) {
            const std::string ours = std::string("BM_") + algo + "_Ours/" + size;
            const std::string theirs = std::string("BM_") + algo + "_OpenSSL/" + size;
            auto a = reporter.rates.find(ours);
            auto b = reporter.rates.find(theirs);
            if (a == reporter.rates.end() || b == reporter.rates.end() || b->second <= 0) continue;
            std::printf("  %s %8s bytes: %6.1f MiB/s vs %6.1f MiB/s  ratio %.2f\n", algo, size, a->second / 1048576.0,
                        b->second / 1048576.0, a->second / b->second);
        }
    }
    return 0;
}
