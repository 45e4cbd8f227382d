// The start's tile pictures fetched several at a time: whatever order the answers come in and
// however they fail, each tile shows its own picture or its placeholder, every file is
// downloaded once and whole, and the cache is pruned as after a one-by-one start.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QFile>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <thread>

#include "app/application.h"
#include "deals/feed_pictures.h"
#include "deals/picture_budget.h"
#include "deals/picture_prefetch.h"
#include "pictures/jpeg_image.h"
#include "services/http/anti_freeze.h"
#include "services/http/http_client.h"
#include "window_fixture.h"

namespace {

LoopbackServer* g_server = nullptr;

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::set<std::string> JpegFilesIn(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().extension() == ".jpg")
            names.insert(entry.path().filename().string());
    return names;
}

QImage Decoded(const std::string& jpeg) {
    // As a tile decodes it: only as far as its picture box shows.
    return TJPEGImage::Decode(QByteArray::fromStdString(jpeg), QSize(250, 167));
}

// The target a tile's picture is requested at.
std::string PictureTarget(const std::string& url) {
    return url.substr(url.find("/pic/")) + std::string(kTilePictureSuffix);
}

// The per-host limit the program reads, set for one test.
class ConnectionsOverride {
public:
    explicit ConnectionsOverride(const char* value) {
        setenv("ZORVIA_PICTURE_CONNECTIONS", value, 1);
    }
    ~ConnectionsOverride() { unsetenv("ZORVIA_PICTURE_CONNECTIONS"); }
};

using PicturePrefetch = WindowTest;

// What each missing picture gets from the server, in turn.
enum class Answer { Quick, Slow, NotFound, HangUp, Stalls };

TEST_F(PicturePrefetch, AnswersInAnyOrderLeaveEachTileItsOwnPictureOrItsPlaceholder) {
    server().release();  // nothing is held; the slow answers take their time instead
    const std::string base = server().baseUrl() + "/pic";
    std::vector<FeedDealValues> deals = NumberedDeals(40, base);
    deals[7].imagefile = deals[2].imagefile;   // one file serves two tiles
    deals[13].imagefile = deals[4].imagefile;  // the same for a picture that fails
    const size_t kCached = 21;                 // already in the cache: never requested

    std::vector<std::string> served(deals.size());
    std::vector<bool> expectPicture(deals.size(), false);
    for (size_t i = 0; i < deals.size(); ++i) {
        const std::string target = PictureTarget(deals[i].imagefile);
        if (i == 7 || i == 13)
            continue;  // served through deal 2's and deal 4's entries
        served[i] = MakeJpeg(250, 250, static_cast<int>(i));
        CannedReply reply;
        reply.body = served[i];
        switch (static_cast<Answer>(i % 5)) {
            case Answer::Quick:
                expectPicture[i] = true;
                break;
            case Answer::Slow:
                // Earlier deals answer later, so the files arrive against the feed's order.
                reply.delayMs = static_cast<int>(400 - 9 * i);
                expectPicture[i] = true;
                break;
            case Answer::NotFound:
                reply = CannedReply{};
                reply.status = 404;
                reply.body = "<html>no such picture</html>";
                break;
            case Answer::HangUp:
                reply = CannedReply{};
                reply.hangUp = true;
                break;
            case Answer::Stalls:
                reply.pauseMidBodyMs = 150;  // half the file, a pause, then the rest
                expectPicture[i] = true;
                break;
        }
        server().setReply(target, reply);
    }
    expectPicture[7] = expectPicture[2];
    expectPicture[13] = expectPicture[4];
    served[7] = served[2];
    served[13] = served[4];

    // One picture in the cache already, a stray file and a listed deal's larger picture.
    const std::string cachedPicture = MakeJpeg(250, 250, 1000);
    std::ofstream(CacheFilePath(deals[kCached].imagefile, kTilePictureSuffix), std::ios::binary)
        << cachedPicture;
    served[kCached] = cachedPicture;
    expectPicture[kCached] = true;
    const std::string stray = cacheDir() + "/0123456789abcdef0123456789abcdef_250x250.jpg";
    std::ofstream(stray) << "x";
    const std::string keep310 = CacheFilePath(deals[3].imagefile, kDetailsPictureSuffix);
    std::ofstream(keep310) << "x";
    serveFeed(FeedDocumentText(deals));

    TfrmZORMain& w = open();
    const std::vector<TItemPanel*> tiles = w.tiles();
    ASSERT_EQ(tiles.size(), deals.size());

    std::set<std::string> expectedFiles{CacheFileName(deals[3].imagefile, kDetailsPictureSuffix)};
    for (size_t i = 0; i < deals.size(); ++i) {
        SCOPED_TRACE("deal " + std::to_string(i));
        EXPECT_EQ(tiles[i]->Imagefile(), deals[i].imagefile);
        const std::string path = CacheFilePath(deals[i].imagefile, kTilePictureSuffix);
        if (expectPicture[i]) {
            EXPECT_EQ(tiles[i]->DealImage->picture(), Decoded(served[i]));
            EXPECT_EQ(ReadAll(path), served[i]) << "the whole file, written once";
            expectedFiles.insert(CacheFileName(deals[i].imagefile, kTilePictureSuffix));
        } else {
            EXPECT_FALSE(tiles[i]->DealImage->hasPicture());
            EXPECT_FALSE(std::filesystem::exists(path)) << "tried again at the next start";
        }
        const int hits = server().hits(PictureTarget(deals[i].imagefile));
        EXPECT_EQ(hits, i == kCached ? 0 : 1) << "each missing file is asked for once";
    }
    EXPECT_EQ(JpegFilesIn(cacheDir()), expectedFiles) << "the stray file pruned, nothing else";
    std::vector<std::string> listed;
    for (const FeedDealValues& deal : deals)
        listed.push_back(deal.imagefile);
    EXPECT_EQ(w.ImageUrlList, listed);
}

TEST_F(PicturePrefetch, NoMoreThanTheLimitPerHostAtOnce) {
    // Every answer is held: the downloads under way pile up at the server until let go.
    const std::string base = server().baseUrl() + "/pic";
    const std::vector<FeedDealValues> deals = NumberedDeals(10, base);
    CannedReply held;
    held.body = MakeJpeg(250, 250, 3);
    held.holdUntilReleased = true;
    server().setFallback(held);
    std::vector<std::string> urls;
    for (const FeedDealValues& deal : deals)
        urls.push_back(deal.imagefile);

    for (const char* limit : {"", "1", "3", "0"}) {
        SCOPED_TRACE(std::string("ZORVIA_PICTURE_CONNECTIONS=") + limit);
        std::unique_ptr<ConnectionsOverride> override;
        if (limit[0] != '\0')
            override = std::make_unique<ConnectionsOverride>(limit);
        const int expected = limit[0] == '\0' ? kPictureConnectionsPerHost : limit[0] - '0';
        EXPECT_EQ(PictureConnectionsPerHost(), expected);
        for (const std::string& url : urls)
            std::filesystem::remove(CacheFilePath(url, kTilePictureSuffix));
        server().clearRequests();
        server().hold();
        if (expected == 0) {
            // Nothing is fetched ahead: the tiles download their own pictures as they come.
            const TilePicturePrefetch prefetch(
                urls, std::chrono::steady_clock::now() + std::chrono::minutes(1));
            EXPECT_TRUE(server().requests().empty());
            continue;
        }

        // Off the user-interface thread, so that this one can watch the server meanwhile.
        std::thread start([&urls] {
            const TilePicturePrefetch prefetch(
                urls, std::chrono::steady_clock::now() + std::chrono::minutes(1));
        });
        ASSERT_TRUE(QTest::qWaitFor([&] { return server().heldCount() == expected; }, 30000));
        // Held answers do not free a connection, so no further request may come in; the
        // requests the server has seen are exactly the held ones.
        QTest::qWait(100);
        EXPECT_EQ(server().heldCount(), expected);
        EXPECT_EQ(static_cast<int>(server().requests().size()), expected);
        server().release();
        start.join();
        for (const std::string& url : urls) {
            EXPECT_TRUE(std::filesystem::exists(CacheFilePath(url, kTilePictureSuffix)));
            EXPECT_EQ(server().hits(PictureTarget(url)), 1);
        }
    }
}

TEST_F(PicturePrefetch, OutOfTimeTheDownloadsEndWithTheBudgetAndLeaveNoFile) {
    // The first request for each picture is held past the start's picture budget: those
    // downloads end with it, leaving nothing under either name, and the tiles, built once the
    // budget is spent, ask for nothing. The next start fetches the pictures.
    const std::string base = server().baseUrl() + "/pic";
    const std::vector<FeedDealValues> deals = NumberedDeals(kPictureConnectionsPerHost, base);
    const std::string jpeg = MakeJpeg(250, 250, 5);
    std::vector<std::string> urls;
    for (const FeedDealValues& deal : deals) {
        urls.push_back(deal.imagefile);
        const std::string target = PictureTarget(deal.imagefile);
        server().setHandler(target, [target, jpeg](const RecordedRequest&) {
            CannedReply reply;
            reply.body = jpeg;
            reply.holdUntilReleased = TestServer().hits(target) == 1;
            return reply;
        });
    }

    {
        const PictureBudget budget(std::chrono::steady_clock::now() + std::chrono::seconds(2));
        const TilePicturePrefetch prefetch(urls, budget.deadline());
        EXPECT_EQ(server().heldCount(), static_cast<int>(urls.size()));
        for (const std::string& url : urls) {
            TItemPanel tile;
            tile.setImagefile(url);
            EXPECT_FALSE(tile.DealImage->hasPicture());
            EXPECT_EQ(server().hits(PictureTarget(url)), 1)
                << "asked for once the budget was spent";
        }
    }
    for (const std::string& url : urls) {
        const std::string path = CacheFilePath(url, kTilePictureSuffix);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !PictureDownloadInFlight(path); }, 30000));
        EXPECT_FALSE(std::filesystem::exists(path));
        EXPECT_FALSE(std::filesystem::exists(PartialFileName(path)));
    }

    server().release();
    for (const std::string& url : urls) {
        TItemPanel next;
        next.setImagefile(url);
        EXPECT_EQ(next.DealImage->picture(), Decoded(jpeg));
        EXPECT_EQ(ReadAll(CacheFilePath(url, kTilePictureSuffix)), jpeg);
        EXPECT_EQ(server().hits(PictureTarget(url)), 2);
    }
}

// Closing the program while the start waits for its pictures: the wait ends at once, the
// downloads under way give up at their next wait, and no half picture is left under a cache
// name, nor its partial file.
TEST_F(PicturePrefetch, ClosingEndsTheWaitAndLeavesNoHalfPicture) {
    server().release();
    const std::string base = server().baseUrl() + "/pic";
    const std::vector<FeedDealValues> deals = NumberedDeals(3, base);
    // A picture that arrives a byte at a time and would take minutes.
    server().setFallback(TrickleReply(
        "HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + std::string(100000, 'x'), 5));
    std::vector<std::string> urls;
    for (const FeedDealValues& deal : deals)
        urls.push_back(deal.imagefile);

    QTimer::singleShot(600, [] { AntiFreeze::SetQuitting(true); });
    {
        const TilePicturePrefetch prefetch(
            urls, std::chrono::steady_clock::now() + std::chrono::minutes(10));
    }
    EXPECT_TRUE(AntiFreeze::Quitting()) << "the wait ended by the closing, not by the deadline";
    for (const std::string& url : urls) {
        const std::string path = CacheFilePath(url, kTilePictureSuffix);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !PictureDownloadInFlight(path); }, 30000));
        EXPECT_FALSE(std::filesystem::exists(path));
        EXPECT_FALSE(std::filesystem::exists(PartialFileName(path)));
    }
    AntiFreeze::SetQuitting(false);
}

// The list is exactly the pictures the tiles ask for: a deal the grid drops is left out, and
// the deals after it are listed as the grid shows them.
TEST(FeedPictureList, LeavesOutTheDealsTheGridDrops) {
    std::vector<FeedDealValues> deals = NumberedDeals(5, "http://127.0.0.1:1/pic");
    const std::vector<std::string> all{deals[0].imagefile, deals[1].imagefile, deals[2].imagefile,
                                       deals[3].imagefile, deals[4].imagefile};
    EXPECT_EQ(FeedPictureUrls(FeedDocumentText(deals)), all);
    EXPECT_TRUE(FeedPictureUrls("<deals>").empty()) << "not well-formed";
    EXPECT_TRUE(FeedPictureUrls("").empty());

    struct Case {
        const char* what;
        void (*spoil)(FeedDealValues&);
        bool listed;  // the tile still asks for its picture
    };
    const Case cases[] = {
        {"unreadable price", [](FeedDealValues& d) { d.price = "cheap"; }, false},
        {"deal price of nothing", [](FeedDealValues& d) { d.sprice = "0"; }, false},
        {"unreadable stock", [](FeedDealValues& d) { d.stock = ""; }, false},
        {"unreadable end time, read after the picture",
         [](FeedDealValues& d) { d.stop_time = "soon"; }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<FeedDealValues> spoilt = deals;
        c.spoil(spoilt[1]);
        c.spoil(spoilt[3]);
        std::vector<std::string> expected{deals[0].imagefile, deals[2].imagefile,
                                          deals[4].imagefile};
        if (c.listed)
            expected = all;
        EXPECT_EQ(FeedPictureUrls(FeedDocumentText(spoilt)), expected);
    }
}

}  // namespace

LoopbackServer& TestServer() {
    return *g_server;
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    unsetenv("ZORVIA_PICTURE_CONNECTIONS");
    const std::string home = UsePrivateHome("zorvia-prefetch-home-");

    LoopbackServer server;
    g_server = &server;
    setenv("ZORVIA_SERVICE_URL", server.baseUrl().c_str(), 1);

    ZorviaApplication app(argc, argv);
    AntiFreeze hook;  // as in the program: waits dispatch events on this thread
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    g_server = nullptr;
    RemoveFolder(home);
    return result;
}
