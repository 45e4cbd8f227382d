// How long the grid of 500 deals takes to build and how much memory each tile holds, with every
// picture already in the cache (no downloads): the cost of parsing, tiles, decoding and layout.
#include <stdlib.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <QTest>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/frm_main.h"
#include "deals/deal_feed.h"
#include "deals/picture_cache.h"
#include "deals/vendor_service.h"
#include "loopback_server.h"
#include "services/http/anti_freeze.h"
#include "services/http/http_client.h"
#include "test_support.h"
#include "views/item_panel.h"
#include "views/picture_box.h"

namespace {

constexpr int kDeals = 500;

double ResidentMiB() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) /
           (1024.0 * 1024.0);
}

double MsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// Processor time of this thread: on a machine shared with other work the wall clock also
// counts the time others had the processor, this does not.
double ThreadCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    const auto ms = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_usec) / 1000.0;
    };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

void Settle() {
    for (int i = 0; i < 5; ++i)
        QTest::qWait(10);
}

}  // namespace

int main(int argc, char** argv) {
    for (const char* name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"})
        unsetenv(name);
    const std::string home = MakeTempFolder("zorvia-bench-home-");
    setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
    LoopbackServer server;
    setenv("ZORVIA_SERVICE_URL", server.baseUrl().c_str(), 1);
    ZorviaApplication app(argc, argv);

    const std::string cache = MakeTempFolder("zorvia-bench-cache-");
    SetImageCacheDirForTesting(cache);
    const std::vector<FeedDealValues> deals = NumberedDeals(kDeals, server.baseUrl() + "/pic");
    std::vector<std::string> jpegs;
    for (int i = 0; i < kDeals; ++i)
        jpegs.push_back(MakeJpeg(250, 250, i));
    // The window prunes the cache when it is created, so the pictures go in afterwards.
    const auto fillCache = [&] {
        for (int i = 0; i < kDeals; ++i) {
            const std::string& url = deals[static_cast<size_t>(i)].imagefile;
            std::ofstream(CacheFilePath(url, kTilePictureSuffix), std::ios::binary)
                << jpegs[static_cast<size_t>(i)];
        }
    };
    const std::string feed = FeedDocumentText(deals, "\r\n  ");
    CannedReply empty;
    empty.body = "<deals/>";
    CannedReply full;
    full.body = feed;

    std::printf("feed: %d deals, %zu bytes; pictures cached: 250 x 250 JPEG each\n", kDeals,
                feed.size());
    // Each run keeps its window, so every run's memory figure is fresh memory, not reuse.
    std::vector<std::unique_ptr<TfrmZORMain>> windows;
    std::vector<double> loadWallMs, loadCpuMsList;
    // Runs 1-3 load before the window is shown, as at start-up; run 4 into a window on screen.
    for (int run = 1; run <= 4; ++run) {
        const bool shown = run == 4;
        server.setReply(kDealFeedPath, empty);
        windows.push_back(std::make_unique<TfrmZORMain>());
        TfrmZORMain* window = windows.back().get();
        if (shown) {
            window->show();
            if (!QTest::qWaitForWindowExposed(window))
                return 1;
        }
        Settle();
        fillCache();
        const double before = ResidentMiB();

        server.setReply(kDealFeedPath, full);
        const auto start = std::chrono::steady_clock::now();
        const double startCpu = ThreadCpuMs();
        window->LoadItems();
        const double loadMs = MsSince(start);
        const double loadCpuMs = ThreadCpuMs() - startCpu;
        loadWallMs.push_back(loadMs);
        loadCpuMsList.push_back(loadCpuMs);
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
        std::printf(
            "run %d (%s): LoadItems %.1f ms (processor %.1f ms) for %zu tiles (%.3f ms per tile); "
            "resident +%.1f MiB after the load, +%.1f MiB after painting: %.3f MiB per tile\n",
            run, shown ? "window on screen" : "before the window is shown", loadMs, loadCpuMs,
            tiles, loadMs / static_cast<double>(tiles), afterLoad - before, afterPaint - before,
            (afterPaint - before) / static_cast<double>(tiles));
    }

    windows.clear();

    // Where the time goes: the same work piece by piece, outside the window.
    double partsMs = 0, partsCpuMs = 0;
    {
        const auto start = std::chrono::steady_clock::now();
        const double startCpu = ThreadCpuMs();
        std::vector<std::unique_ptr<TItemPanel>> bare;
        for (int i = 0; i < kDeals; ++i)
            bare.push_back(std::make_unique<TItemPanel>());
        partsMs += MsSince(start);
        partsCpuMs += ThreadCpuMs() - startCpu;
        std::printf("500 bare tiles: %.1f ms (processor %.1f ms)\n", MsSince(start),
                    ThreadCpuMs() - startCpu);
        const auto decodeStart = std::chrono::steady_clock::now();
        const double decodeCpu = ThreadCpuMs();
        for (int i = 0; i < kDeals; ++i)
            bare[static_cast<size_t>(i)]->setImagefile(deals[static_cast<size_t>(i)].imagefile);
        partsMs += MsSince(decodeStart);
        partsCpuMs += ThreadCpuMs() - decodeCpu;
        std::printf("500 cached pictures decoded into tiles: %.1f ms (processor %.1f ms)\n",
                    MsSince(decodeStart), ThreadCpuMs() - decodeCpu);
        {
            server.setReply(kDealFeedPath, full);
            AntiFreeze hook;  // as in the window: the connect is waited for in 125 ms slices
            HttpClient client;
            const auto fetchStart = std::chrono::steady_clock::now();
            const std::string body = FetchText(client, ServiceBaseUrl() + kDealFeedPath);
            partsMs += MsSince(fetchStart);
            std::printf("feed request alone (%zu bytes, loopback): %.1f ms\n", body.size(),
                        MsSince(fetchStart));
        }
        const auto parseStart = std::chrono::steady_clock::now();
        const double parseCpu = ThreadCpuMs();
        FeedDocument document(feed);
        size_t bytes = 0;
        for (int i = 0; i < document.dealCount(); ++i) {
            const FeedDeal deal = document.deal(i);
            for (const char* name :
                 {"nick", "short_title", "full_title", "price", "sprice", "num_iid", "itemurl",
                  "sales_num", "stock", "imagefile", "stop_time"})
                bytes += deal.value(name).size();
        }
        std::printf(
            "feed parsed and every value read: %.1f ms (processor %.1f ms, %zu value "
            "bytes)\n",
            MsSince(parseStart), ThreadCpuMs() - parseCpu, bytes);
        partsMs += MsSince(parseStart);
        partsCpuMs += ThreadCpuMs() - parseCpu;
    }
    std::printf("sum of the parts: %.1f ms (processor %.1f ms)\n", partsMs, partsCpuMs);
    for (size_t run = 0; run < loadWallMs.size(); ++run) {
        std::printf("run %zu: LoadItems / parts = %.2f (processor %.2f)\n", run + 1,
                    loadWallMs[run] / partsMs, loadCpuMsList[run] / partsCpuMs);
    }

    {
        server.setReply(kDealFeedPath, full);
        fillCache();
        const auto start = std::chrono::steady_clock::now();
        TfrmZORMain window;
        std::printf("whole creation (clock, LoadItems, PruneCache) with %zu tiles: %.1f ms\n",
                    window.tiles().size(), MsSince(start));
    }
    SetImageCacheDirForTesting("");
    RemoveFolder(cache);
    RemoveFolder(home);
    return 0;
}
