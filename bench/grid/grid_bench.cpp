// How long the grid of 500 deals takes to build and how much memory each tile holds, with every
// picture already in the cache (no downloads): the cost of parsing, tiles, decoding and layout,
// beside the cost of the same parts done one after another outside the window.
#include <stdlib.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <QTest>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/frm_main.h"
#include "deals/deal_feed.h"
#include "deals/picture_cache.h"
#include "deals/vendor_service.h"
#include "loopback_server.h"
#include "pictures/pictures_decoded_ahead.h"
#include "services/http/anti_freeze.h"
#include "services/http/http_client.h"
#include "test_support.h"
#include "views/item_panel.h"
#include "views/picture_box.h"

namespace {

constexpr int kDeals = 500;
constexpr int kLoadRuns = 4;

double ResidentMiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) /
           (1024.0 * 1024.0);
}

double CpuMs(int who) {
    rusage usage{};
    getrusage(who, &usage);
    const auto ms = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_usec) / 1000.0;
    };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// Wall time, and processor time of this thread and of the whole process: on a machine shared
// with other work the wall clock also counts the time others had the processor; the process's
// figure also counts the decoding threads.
struct Cost {
    double wallMs = 0;
    double threadMs = 0;
    double processMs = 0;

    Cost& operator+=(const Cost& other) {
        wallMs += other.wallMs;
        threadMs += other.threadMs;
        processMs += other.processMs;
        return *this;
    }
};

Cost Measure(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    const double thread = CpuMs(RUSAGE_THREAD);
    const double process = CpuMs(RUSAGE_SELF);
    work();
    return {
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count(),
        CpuMs(RUSAGE_THREAD) - thread, CpuMs(RUSAGE_SELF) - process};
}

void PrintCost(const char* what, const Cost& cost) {
    std::printf("  %s: %.1f ms (processor: this thread %.1f ms, process %.1f ms)\n", what,
                cost.wallMs, cost.threadMs, cost.processMs);
}

void Settle() {
    for (int i = 0; i < 5; ++i)
        QTest::qWait(10);
}

struct Bench {
    LoopbackServer& server;
    std::vector<FeedDealValues> deals;
    std::vector<std::string> jpegs;
    std::string feed;

    void fillCache() const {
        for (int i = 0; i < kDeals; ++i) {
            const std::string& url = deals[static_cast<size_t>(i)].imagefile;
            std::ofstream(CacheFilePath(url, kTilePictureSuffix), std::ios::binary)
                << jpegs[static_cast<size_t>(i)];
        }
    }

    void serveFeed(bool full) const {
        CannedReply reply;
        reply.body = full ? feed : "<deals/>";
        server.setReply(kDealFeedPath, reply);
    }

    // The work of LoadItems piece by piece, one after another on this thread, outside any
    // window. The bare tiles are kept in `kept` so that their memory stays taken.
    Cost measureParts(std::vector<std::unique_ptr<TItemPanel>>& kept) const {
        fillCache();
        Cost sum;
        const Cost tiles = Measure([&] {
            for (int i = 0; i < kDeals; ++i)
                kept.push_back(std::make_unique<TItemPanel>());
        });
        PrintCost("500 bare tiles", tiles);
        sum += tiles;
        const Cost decoding = Measure([&] {
            for (int i = 0; i < kDeals; ++i) {
                kept[kept.size() - kDeals + static_cast<size_t>(i)]->setImagefile(
                    deals[static_cast<size_t>(i)].imagefile);
            }
        });
        PrintCost("500 cached pictures decoded into tiles, one after another", decoding);
        sum += decoding;
        serveFeed(true);
        std::string body;
        const Cost request = Measure([&] {
            AntiFreeze hook;  // as in the window: the connect is waited for in 125 ms slices
            HttpClient client;
            body = FetchText(client, ServiceBaseUrl() + kDealFeedPath);
        });
        PrintCost("feed request alone (loopback)", request);
        sum += request;
        size_t bytes = 0;
        const Cost parse = Measure([&] {
            FeedDocument document(body);
            for (int i = 0; i < document.dealCount(); ++i) {
                const FeedDeal deal = document.deal(i);
                for (const char* name :
                     {"nick", "short_title", "full_title", "price", "sprice", "num_iid", "itemurl",
                      "sales_num", "stock", "imagefile", "stop_time"})
                    bytes += deal.value(name).size();
            }
        });
        PrintCost("feed parsed and every value read", parse);
        sum += parse;
        PrintCost("sum of the parts", sum);
        return sum;
    }
};

}  // namespace

int main(int argc, char** argv) {
    const std::string home = UsePrivateHome("zorvia-bench-home-");
    LoopbackServer server;
    setenv("ZORVIA_SERVICE_URL", server.baseUrl().c_str(), 1);
    ZorviaApplication app(argc, argv);

    const std::string cache = MakeTempFolder("zorvia-bench-cache-");
    SetImageCacheDirForTesting(cache);
    Bench bench{server, NumberedDeals(kDeals, server.baseUrl() + "/pic"), {}, {}};
    for (int i = 0; i < kDeals; ++i)
        bench.jpegs.push_back(MakeJpeg(250, 250, i));
    bench.feed = FeedDocumentText(bench.deals, "\r\n  ");

    std::printf(
        "feed: %d deals, %zu bytes; pictures cached: 250 x 250 JPEG each; pictures decoded "
        "beside the tiles on %d thread(s)\n",
        kDeals, bench.feed.size(), PicturesDecodedAhead::WorkerCount());

    // The parts first, while the memory they take is as fresh as the loads' own: measured after
    // freed windows, their tiles and pictures would reuse memory the loads had to ask for.
    std::printf("parts, in fresh memory:\n");
    std::vector<std::unique_ptr<TItemPanel>> bareTiles;
    const Cost freshParts = bench.measureParts(bareTiles);

    // Each run keeps its window, so every run's memory figure is fresh memory, not reuse.
    std::vector<std::unique_ptr<TfrmZORMain>> windows;
    std::vector<Cost> loads;
    // The first runs load before the window is shown, as at start-up; the last into a window on
    // screen.
    for (int run = 1; run <= kLoadRuns; ++run) {
        const bool shown = run == kLoadRuns;
        bench.serveFeed(false);
        windows.push_back(std::make_unique<TfrmZORMain>());
        TfrmZORMain* window = windows.back().get();
        if (shown) {
            window->show();
            if (!QTest::qWaitForWindowExposed(window))
                return 1;
        }
        Settle();
        bench.fillCache();
        const double before = ResidentMiB();

        bench.serveFeed(true);
        loads.push_back(Measure([&] { window->LoadItems(); }));
        const double afterLoad = ResidentMiB();
        if (!shown) {
            window->show();
            if (!QTest::qWaitForWindowExposed(window))
                return 1;
        }
        Settle();  // the visible tiles get painted
        const double afterPaint = ResidentMiB();
        const size_t tiles = window->tiles().size();
        size_t withPicture = 0;
        double pictureMiB = 0;
        for (TItemPanel* tile : window->tiles()) {
            const QImage& picture = tile->DealImage->picture();
            if (picture.isNull())
                continue;
            ++withPicture;
            pictureMiB += static_cast<double>(picture.sizeInBytes()) / (1024.0 * 1024.0);
        }
        if (run == 1) {
            const QImage& sample = window->tiles().front()->DealImage->picture();
            std::printf("deal pictures: %zu of %zu tiles, %d x %d, format %d, %.1f MiB in all\n",
                        withPicture, tiles, sample.width(), sample.height(),
                        static_cast<int>(sample.format()), pictureMiB);
        }
        const Cost& load = loads.back();
        std::printf(
            "run %d (%s): LoadItems %.1f ms (processor: this thread %.1f ms, process %.1f ms) for "
            "%zu tiles; resident +%.1f MiB after the load, +%.1f MiB after painting: %.3f MiB "
            "per tile\n",
            run, shown ? "window on screen" : "before the window is shown", load.wallMs,
            load.threadMs, load.processMs, tiles, afterLoad - before, afterPaint - before,
            (afterPaint - before) / static_cast<double>(tiles));
    }

    windows.clear();
    bareTiles.clear();
    std::printf("parts again, in memory freed by the windows above:\n");
    const Cost reusedParts = bench.measureParts(bareTiles);
    bareTiles.clear();

    for (size_t run = 0; run < loads.size(); ++run) {
        std::printf(
            "run %zu: LoadItems / parts = %.2f (parts in reused memory: %.2f; processor of the "
            "process against the parts': %.2f)\n",
            run + 1, loads[run].wallMs / freshParts.wallMs, loads[run].wallMs / reusedParts.wallMs,
            loads[run].processMs / freshParts.processMs);
    }

    {
        bench.serveFeed(true);
        bench.fillCache();
        const auto start = std::chrono::steady_clock::now();
        TfrmZORMain window;
        std::printf(
            "whole creation (clock, LoadItems, PruneCache) with %zu tiles: %.1f ms\n",
            window.tiles().size(),
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    SetImageCacheDirForTesting("");
    RemoveFolder(cache);
    RemoveFolder(home);
    return 0;
}
