// Digest throughput of our MD5 next to OpenSSL's over the same 64 MiB buffer.
#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "services/md5.h"

namespace {

constexpr size_t kBufferSize = 64u << 20;

const std::vector<uint8_t>& Buffer() {
    static const std::vector<uint8_t> buffer = [] {
        std::vector<uint8_t> bytes(kBufferSize);
        uint32_t x = 0x12345678;
        for (auto& b : bytes) {
            x = x * 1664525u + 1013904223u;
            b = static_cast<uint8_t>(x >> 24);
        }
        return bytes;
    }();
    return buffer;
}

void BM_Md5Zorvia(benchmark::State& state) {
    const auto& buffer = Buffer();
    for (auto _ : state) {
        MD5Context context;
        MD5Init(context);
        MD5Update(context, buffer.data(), buffer.size());
        MD5Digest digest = MD5Final(context);
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(buffer.size()));
}

void BM_Md5OpenSsl(benchmark::State& state) {
    const auto& buffer = Buffer();
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    for (auto _ : state) {
        EVP_Digest(buffer.data(), buffer.size(), digest, &length, EVP_md5(), nullptr);
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(buffer.size()));
}

// Short texts, the size of the picture URLs the cache hashes.
void BM_Md5ZorviaUrl(benchmark::State& state) {
    const std::string url =
        "http://img.example.cn/bao/uploaded/i4/12345678/T2abcdefghijklmnop_!!12345678.jpg";
    for (auto _ : state) {
        std::string name = MD5Print(MD5String(url));
        benchmark::DoNotOptimize(name);
    }
}

BENCHMARK(BM_Md5Zorvia)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Md5OpenSsl)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Md5ZorviaUrl);

// Prints as usual and remembers each benchmark's bytes per second.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    // Colours only on a terminal, as the library's own console output does.
    RatioReporter() : ConsoleReporter(::isatty(::fileno(stdout)) ? OO_Defaults : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const auto rate = run.counters.find("bytes_per_second");
            if (rate == run.counters.end())
                continue;
            const std::string name = run.run_name.function_name;
            // With repetitions the mean stands for the benchmark.
            if (run.run_type == Run::RT_Iteration && m_rates.count(name) && m_fromAggregate[name])
                continue;
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "mean")
                continue;
            m_rates[name] = rate->second.value;
            m_fromAggregate[name] = run.run_type == Run::RT_Aggregate;
        }
    }
    const std::map<std::string, double>& Rates() const { return m_rates; }

private:
    std::map<std::string, double> m_rates;
    std::map<std::string, bool> m_fromAggregate;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    Buffer();  // built before any timing
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    const auto& rates = reporter.Rates();
    const auto ours = rates.find("BM_Md5Zorvia");
    const auto openssl = rates.find("BM_Md5OpenSsl");
    if (ours != rates.end() && openssl != rates.end() && openssl->second > 0) {
        std::printf("MD5 over %zu MiB: ours %.1f MiB/s, OpenSSL %.1f MiB/s, ratio %.3f\n",
                    kBufferSize >> 20, ours->second / (1 << 20), openssl->second / (1 << 20),
                    ours->second / openssl->second);
    }
    return 0;
}
