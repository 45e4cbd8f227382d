// The start's tile pictures fetched several at a time: whatever order the answers come in and
// however they fail, each tile shows its own picture or its placeholder, every file is
// downloaded once and whole, and the cache is pruned as after a one-by-one start.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QFile>
#include <QTest>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <thread>

#include "app/application.h"
#include "deals/feed_pictures.h"
#include "deals/picture_prefetch.h"
#include "pictures/jpeg_image.h"
#include "services/http/anti_freeze.h"
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
    return TJPEGImage::Decode(QByteArray::fromStdString(jpeg));
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

TEST_F(PicturePrefetch, OutOfTimeTheTilesKeepTheirPlaceholdersAndNothingIsFetchedTwice) {
    // The first request for each picture is held past the deadline: the tiles are built while
    // those downloads still run, and must neither read the half-written files nor start second
    // downloads into them (a second request would be answered at once, and counted).
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

    const TilePicturePrefetch prefetch(urls,
                                       std::chrono::steady_clock::now() + std::chrono::seconds(3));
    ASSERT_TRUE(QTest::qWaitFor([&] { return server().heldCount() == int(urls.size()); }, 30000));
    std::vector<std::unique_ptr<TItemPanel>> tiles;
    for (const std::string& url : urls) {
        tiles.push_back(std::make_unique<TItemPanel>());
        tiles.back()->setImagefile(url);
        EXPECT_FALSE(tiles.back()->DealImage->hasPicture()) << "its download is still held";
        EXPECT_EQ(server().hits(PictureTarget(url)), 1);
    }

    // Let go, the downloads under way finish in the background, whole, and the next start's
    // tiles find them.
    server().release();
    for (const std::string& url : urls) {
        const std::string path = CacheFilePath(url, kTilePictureSuffix);
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return !PictureDownloadInFlight(path) && ReadAll(path) == jpeg; }, 30000));
        TItemPanel next;
        next.setImagefile(url);
        EXPECT_EQ(next.DealImage->picture(), Decoded(jpeg));
        EXPECT_EQ(server().hits(PictureTarget(url)), 1);
    }
}

TEST(FeedPictureList, StopsWhereTheGridStops) {
    std::vector<FeedDealValues> deals = NumberedDeals(5, "http://127.0.0.1:1/pic");
    const std::vector<std::string> all{deals[0].imagefile, deals[1].imagefile, deals[2].imagefile,
                                       deals[3].imagefile, deals[4].imagefile};
    EXPECT_EQ(FeedPictureUrls(FeedDocumentText(deals)), all);
    EXPECT_TRUE(FeedPictureUrls("<deals>").empty()) << "not well-formed";
    EXPECT_TRUE(FeedPictureUrls("").empty());

    struct Case {
        const char* what;
        void (*spoil)(FeedDealValues&);
    };
    const Case cases[] = {
        {"unreadable price", [](FeedDealValues& d) { d.price = "cheap"; }},
        {"deal price of nothing", [](FeedDealValues& d) { d.sprice = "0"; }},
        {"unreadable stock", [](FeedDealValues& d) { d.stock = ""; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<FeedDealValues> spoilt = deals;
        c.spoil(spoilt[2]);
        EXPECT_EQ(FeedPictureUrls(FeedDocumentText(spoilt)),
                  (std::vector<std::string>{deals[0].imagefile, deals[1].imagefile}));
    }
}

}  // namespace

LoopbackServer& TestServer() {
    return *g_server;
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    for (const char* name :
         {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY", "ZORVIA_PICTURE_CONNECTIONS"})
        unsetenv(name);
    const std::string home = MakeTempFolder("zorvia-prefetch-home-");
    setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);

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
