// How long the grid of 500 deals takes to build and how much memory each tile holds, with every
// picture already in the cache (no downloads): the cost of parsing, tiles, decoding and layout.
#include <stdlib.h>
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
#include "deals/picture_cache.h"
#include "loopback_server.h"
#include "services/vendor_service.h"
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
    const std::vector<FeedDealSpec> deals = NumberedDeals(kDeals, server.baseUrl() + "/pic");
    for (int i = 0; i < kDeals; ++i) {
        std::ofstream(CacheFilePath(deals[static_cast<size_t>(i)].imagefile, kTilePictureSuffix),
                      std::ios::binary)
            << MakeJpeg(250, 250, i);
    }
    const std::string feed = FeedDocumentText(deals, "\r\n  ");
    CannedReply empty;
    empty.body = "<deals/>";
    CannedReply full;
    full.body = feed;

    std::printf("feed: %d deals, %zu bytes; pictures cached: 250 x 250 JPEG each\n", kDeals,
                feed.size());
    for (int run = 1; run <= 3; ++run) {
        server.setReply(kDealFeedPath, empty);
        auto window = std::make_unique<TfrmZORMain>();
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            return 1;
        Settle();
        const double before = ResidentMiB();

        server.setReply(kDealFeedPath, full);
        const auto start = std::chrono::steady_clock::now();
        window->LoadItems();
        const double loadMs = MsSince(start);
        const double afterLoad = ResidentMiB();
        Settle();  // the visible tiles get painted
        const double afterPaint = ResidentMiB();
        const size_t tiles = window->tiles().size();
        size_t withPicture = 0;
        double pictureMiB = 0;
        for (TItemPanel* tile : window->tiles()) {
            const QImage& picture = tile->DealImage->picture();
            if (picture.isNull()) continue;
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
            "run %d: LoadItems %.1f ms for %zu tiles (%.3f ms per tile); resident +%.1f MiB "
            "after the load, +%.1f MiB after painting: %.3f MiB per tile\n",
            run, loadMs, tiles, loadMs / static_cast<double>(tiles), afterLoad - before,
            afterPaint - before, (afterPaint - before) / static_cast<double>(tiles));
    }

    {
        server.setReply(kDealFeedPath, full);
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
