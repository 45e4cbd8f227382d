// Pruning a cache of 10,000 pictures against 1,000 listed deals. The first rule for pruning
// recomputed every deal's digest for every file: 10,000 x 1,000 x 2 = 20 million digests.

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "deals/picture_cache.h"
#include "services/file_utils.h"
#include "services/md5.h"

namespace fs = std::filesystem;

namespace {

constexpr int kListedDeals = 1000;
constexpr int kCachedFiles = 10000;

struct Cache {
    fs::path folder;
    std::vector<std::string> listed;
    std::vector<fs::path> stray;  // deleted by every pruning, put back before the next

    Cache() {
        folder = fs::temp_directory_path() / ("pictures-bench-" + std::to_string(::getpid()));
        fs::create_directories(folder / "image");
        SetImageCacheDirForTesting((folder / "image").string());
        for (int deal = 0; deal < kListedDeals; ++deal) {
            listed.push_back("http://img.example.com/bao/uploaded/i" + std::to_string(deal % 4) +
                             "/T1" + std::to_string(deal * 104729) + "_deal.jpg");
            const std::string digest = MD5Print(MD5String(listed.back()));
            Touch(folder / "image" / (digest + "_250x250.jpg"));
            Touch(folder / "image" / (digest + "_310x310.jpg"));
        }
        for (int i = 0; i < kCachedFiles - 2 * kListedDeals; ++i) {
            const std::string url = "http://img.example.com/old/" + std::to_string(i) + ".jpg";
            stray.push_back(folder / "image" / (MD5Print(MD5String(url)) + "_250x250.jpg"));
        }
        PutStrayBack();
    }
    ~Cache() {
        SetImageCacheDirForTesting("");
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
    static void Touch(const fs::path& path) { std::ofstream(path) << "x"; }
    void PutStrayBack() const {
        for (const fs::path& path : stray)
            Touch(path);
    }
};

void BM_PruneCache(benchmark::State& state) {
    Cache cache;
    for (auto _ : state) {
        PruneCache(cache.listed);
        state.PauseTiming();
        cache.PutStrayBack();
        state.ResumeTiming();
    }
    state.counters["files"] = kCachedFiles;
    state.counters["deals"] = kListedDeals;
    state.counters["digests"] = kListedDeals;  // one per listed URL
}
BENCHMARK(BM_PruneCache)->Unit(benchmark::kMillisecond)->Iterations(20);

// The listing alone: what pruning costs at the least.
void BM_ListingOnly(benchmark::State& state) {
    Cache cache;
    for (auto _ : state)
        benchmark::DoNotOptimize(ListFilesByExt((cache.folder / "image").string(), "jpg"));
}
BENCHMARK(BM_ListingOnly)->Unit(benchmark::kMillisecond)->Iterations(20);

// The first rule, decisions only (nothing deleted), for comparison: up to two digests per deal
// for every file.
void BM_StatedRuleDecisionsOnly(benchmark::State& state) {
    Cache cache;
    long digests = 0;
    for (auto _ : state) {
        int kept = 0;
        for (const std::string& file : ListFilesByExt((cache.folder / "image").string(), "jpg")) {
            const std::string name = fs::path(file).filename().string();
            for (const std::string& url : cache.listed) {
                ++digests;
                if (name == MD5Print(MD5String(url)) + "_250x250.jpg") {
                    ++kept;
                    break;
                }
                ++digests;
                if (name == MD5Print(MD5String(url)) + "_310x310.jpg") {
                    ++kept;
                    break;
                }
            }
        }
        benchmark::DoNotOptimize(kept);
    }
    state.counters["digests"] =
        static_cast<double>(digests) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_StatedRuleDecisionsOnly)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
