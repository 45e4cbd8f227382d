// The main window's creation: its parts, the feed turned into the grid, the first error ending
// the load, pictures and the pruning that follows.
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <functional>

#include "app/start_budget.h"
#include "app/wheel_hook.h"
#include "deals/deal_clock.h"
#include "deals/picture_cache.h"
#include "services/date_time.h"
#include "services/http/anti_freeze.h"
#include "views/picture_box.h"
#include "window_fixture.h"

namespace {

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

// Deals 0, 1 and 3 are fine; deal 2 is built from the good one by the given edit.
std::string FeedWithThirdDeal(const std::function<std::string(std::string)>& edit) {
    const std::vector<FeedDealValues> deals = NumberedDeals(4, "http://127.0.0.1:1/pic");
    std::string body = "<deals>";
    for (size_t i = 0; i < deals.size(); ++i) {
        const std::string element = DealElement(deals[i]);
        body += i == 2 ? edit(element) : element;
    }
    return body + "</deals>";
}

int VisibleStrayTiles() {
    int stray = 0;
    for (QWidget* top : QApplication::topLevelWidgets())
        if (qobject_cast<TItemPanel*>(top) && top->isVisible())
            ++stray;
    return stray;
}

using WindowShape = WindowTest;

TEST_F(WindowShape, PartsSizeAndTitle) {
    serveFeed("<deals/>");
    TfrmZORMain& w = open(true);
    EXPECT_EQ(w.windowTitle(), QString::fromUtf8("ZorviaⅡ"));
    EXPECT_EQ(w.size(), QSize(818, 550));
    EXPECT_EQ(w.minimumSize(), QSize(818, 550)) << "fixed size";
    EXPECT_EQ(w.maximumSize(), QSize(818, 550)) << "fixed size";
    EXPECT_FALSE(w.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(w.windowFlags() & Qt::WindowMinimizeButtonHint);
    ASSERT_NE(w.ScrollBox1, nullptr);
    EXPECT_EQ(w.ScrollBox1->objectName(), QStringLiteral("ScrollBox1"));
    EXPECT_EQ(w.ScrollBox1->geometry(), QRect(0, 0, 818, 531));
    EXPECT_EQ(w.ScrollBox1->frameShape(), QFrame::Box);
    EXPECT_EQ(w.ScrollBox1->frameShadow(), QFrame::Plain);
    EXPECT_EQ(w.ScrollBox1->lineWidth(), 1);
    EXPECT_EQ(w.ScrollBox1->viewport()->palette().color(QPalette::Window), QColor(Qt::white));
    EXPECT_EQ(w.StatusBar1->objectName(), QStringLiteral("StatusBar1"));
    EXPECT_EQ(w.StatusBar1->geometry(), QRect(0, 531, 818, 19));
    EXPECT_TRUE(w.StatusBar1->currentMessage().isEmpty());
    EXPECT_EQ(w.Timer1->interval(), 100);
    EXPECT_TRUE(w.Timer1->isActive());
    EXPECT_EQ(w.ApplicationEvents1->objectName(), QStringLiteral("ApplicationEvents1"));
    EXPECT_EQ(w.ScrollBox1->verticalScrollBar()->singleStep(), 8);
    EXPECT_TRUE(w.tiles().empty());

    // The grid's own area is white where there are no tiles.
    const QImage shot = w.grab().toImage();
    EXPECT_EQ(shot.pixelColor(400, 300), QColor(Qt::white));
    EXPECT_EQ(shot.pixelColor(0, 300), QColor(Qt::black)) << "the single-line border";
}

// Counts the timer events that reach the main window's clock timer.
class ClockTicks : public QObject {
public:
    ClockTicks() { qApp->installEventFilter(this); }
    ~ClockTicks() override { qApp->removeEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Timer && watched->objectName() == QLatin1String("Timer1") &&
            qobject_cast<TfrmZORMain*>(watched->parent()))
            ++count;
        return false;
    }
};

TEST_F(WindowShape, ClockStartsAtCreationAndTicksDuringTheLoadAndAfter) {
    CannedReply slow;
    slow.body = "<deals/>";
    slow.delayMs = 450;
    server().setReply(kDealFeedPath, slow);
    ClockTicks ticks;
    const DateTime before = CurrentLocalDateTime();
    TfrmZORMain& w = open();
    const DateTime after = CurrentLocalDateTime();
    // The feed request waited long enough for the timer to tick while it did: the
    // responsiveness hook was in force during the load.
    const int duringLoad = ticks.count;
    EXPECT_GE(duringLoad, 1);
    // The clock was set to the time of creation, then moved on exactly 100 ms a tick.
    const double oneMs = 1.0 / 86400000.0;
    const DateTime setAt = w.ClockTime - duringLoad * 100 * oneMs;
    EXPECT_GE(setAt, before - oneMs);
    EXPECT_LE(setAt, after + oneMs);

    // Once the window exists its timer goes on driving the clock, 100 ms a tick.
    EXPECT_EQ(w.Timer1->interval(), 100);
    for (int i = 0; i < 3; ++i) {
        const DateTime was = w.ClockTime;
        const int seen = ticks.count;
        ASSERT_TRUE(QTest::qWaitFor([&] { return ticks.count > seen; }, 5000));
        EXPECT_EQ(ticks.count, seen + 1);
        EXPECT_DOUBLE_EQ(w.ClockTime, AddMilliseconds(was, 100));
    }
    w.SetClockTime(12345.5);
    EXPECT_EQ(w.ClockTime, 12345.5);
    EXPECT_TRUE(w.Timer1->isActive());
}

TEST_F(WindowShape, ResponsivenessHookLivesWithTheWindow) {
    serveFeed("<deals/>");
    ASSERT_FALSE(AntiFreeze::InForce());
    open();
    EXPECT_TRUE(AntiFreeze::InForce());
    window.reset();
    EXPECT_FALSE(AntiFreeze::InForce());
}

using FeedLoad = WindowTest;

TEST_F(FeedLoad, SevenDealsFillThreeColumns) {
    serveFeed(FeedDocumentText(NumberedDeals(7)));
    TfrmZORMain& w = open(true);
    const std::vector<TItemPanel*> tiles = w.tiles();
    const QPoint expected[] = {{5, 5},     {270, 5},   {535, 5}, {5, 270},
                               {270, 270}, {535, 270}, {5, 535}};
    ASSERT_EQ(tiles.size(), std::size(expected));
    for (size_t i = 0; i < tiles.size(); ++i) {
        EXPECT_EQ(tiles[i]->geometry(), QRect(expected[i], QSize(260, 260))) << i;
        EXPECT_EQ(tiles[i]->Short_Title(), "deal " + std::to_string(i));
        EXPECT_TRUE(tiles[i]->isVisible());
        EXPECT_TRUE(tiles[i]->OnImageButClick) << "wired to the window";
    }
    EXPECT_EQ(w.ScrollBox1->content()->height(), 795);
    QScrollBar* bar = w.ScrollBox1->verticalScrollBar();
    EXPECT_EQ(bar->maximum() + bar->pageStep(), 795) << "the range ends at the lowest tile";
    EXPECT_EQ(bar->singleStep(), 8);
    EXPECT_FALSE(w.ScrollBox1->horizontalScrollBar()->isVisible()) << "three columns fit";
    EXPECT_EQ(w.ImageUrlList.size(), 7u);
}

TEST_F(FeedLoad, ValuesGoToTheTileInOrder) {
    FeedDealValues deal;
    deal.nick = "小店";
    deal.short_title = "短标题";
    deal.full_title = "完整的标题";
    deal.price = "45";
    deal.sprice = "200";
    deal.num_iid = "88 & 99";
    deal.itemurl = "http://item.example/88";
    deal.sales_num = "50";
    deal.stock = "50";
    deal.imagefile = "http://127.0.0.1:1/pic/a.jpg";
    std::string element = DealElement(deal);
    element = Replace(element, "88 & 99", "88 &amp; 99");
    serveFeed("<deals>" + element + "</deals>");
    TfrmZORMain& w = open();
    ASSERT_EQ(w.tiles().size(), 1u);
    const TItemPanel& tile = *w.tiles()[0];
    const DealRecord& r = tile.record();
    EXPECT_EQ(r.Nick, "小店");
    EXPECT_EQ(r.Short_Title, "短标题");
    EXPECT_EQ(r.Full_Title, "完整的标题");
    EXPECT_EQ(r.Price, 45);
    EXPECT_EQ(r.SPrice, 200);
    EXPECT_EQ(tile.DiscountLabel->text(), QString::fromUtf8("元 2.3折")) << "SPrice after Price";
    EXPECT_EQ(r.Num_iid, "88 & 99");
    EXPECT_EQ(r.ItemUrl, "http://item.example/88");
    EXPECT_EQ(r.Sales_Num, 50);
    EXPECT_EQ(r.Stock, 50);
    EXPECT_TRUE(tile.soldOutLook()) << "Stock after Sales_Num";
    EXPECT_EQ(r.Imagefile, "http://127.0.0.1:1/pic/a.jpg");
    EXPECT_EQ(r.Stop_time, EncodeDateTime(2030, 1, 2, 3, 4, 5));
    EXPECT_EQ(w.ImageUrlList, std::vector<std::string>{"http://127.0.0.1:1/pic/a.jpg"});
}

struct LoadCase {
    const char* label;
    std::string body;
    size_t tiles;
    size_t urls;       // entries of ImageUrlList afterwards
    int lastDeal = 3;  // the number of the last tile's deal
};

class FeedLoadCases : public WindowTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(FeedLoadCases, OneBadDealHidesOnlyItself) {
    const LoadCase& c = GetParam();
    serveFeed(c.body);
    TfrmZORMain& w = open();
    const std::vector<TItemPanel*> tiles = w.tiles();
    EXPECT_EQ(tiles.size(), c.tiles);
    EXPECT_EQ(w.ImageUrlList.size(), c.urls);
    for (size_t i = 0; i < tiles.size(); ++i) {
        EXPECT_EQ(tiles[i]->pos(),
                  QPoint(5 + 265 * static_cast<int>(i % 3), 5 + 265 * static_cast<int>(i / 3)));
        EXPECT_FALSE(tiles[i]->isHidden());
    }
    EXPECT_EQ(VisibleStrayTiles(), 0) << "a failed tile never shows";
    if (!tiles.empty() && c.lastDeal >= 0) {
        EXPECT_EQ(tiles.back()->Num_iid(), "100" + std::to_string(c.lastDeal))
            << "the deals after a bad one load, closing up the grid";
    }
}

const std::string kFourDeals = FeedDocumentText(NumberedDeals(4, "http://127.0.0.1:1/pic"));

INSTANTIATE_TEST_SUITE_P(
    Feeds, FeedLoadCases,
    ::testing::Values(
        LoadCase{"four deals", kFourDeals, 4, 4},
        LoadCase{"indented with CR LF",
                 FeedDocumentText(NumberedDeals(4, "http://127.0.0.1:1/pic"), "\r\n    "), 4, 4},
        LoadCase{"indented with LF and tabs",
                 FeedDocumentText(NumberedDeals(4, "http://127.0.0.1:1/pic"), "\n\t"), 4, 4},
        LoadCase{"empty body", "", 0, 0}, LoadCase{"root without children", "<deals/>", 0, 0},
        LoadCase{"not well-formed", "<deals><deal>", 0, 0},
        LoadCase{"comment between second and third deal",
                 Replace(kFourDeals, "<deal><nick>nick2", "<!-- later --><deal><nick>nick2"), 4, 4},
        LoadCase{"text between deals",
                 Replace(kFourDeals, "<deal><nick>nick2", "x<deal><nick>nick2"), 4, 4},
        LoadCase{"capital P price", FeedWithThirdDeal([](std::string d) {
                     return Replace(Replace(d, "<price>", "<Price>"), "</price>", "</Price>");
                 }),
                 3, 3},
        LoadCase{"price as attribute", FeedWithThirdDeal([](std::string d) {
                     return Replace(Replace(d, "<price>29.90</price>", ""), "<deal>",
                                    "<deal price=\"29.90\">");
                 }),
                 3, 3},
        LoadCase{"sprice of zero", FeedWithThirdDeal([](std::string d) {
                     return Replace(d, "<sprice>99.00</sprice>", "<sprice>0</sprice>");
                 }),
                 3, 3},
        LoadCase{"mixed content price", FeedWithThirdDeal([](std::string d) {
                     return Replace(d, "<price>29.90</price>", "<price>29<!-- x -->.90</price>");
                 }),
                 3, 3},
        LoadCase{"empty stock", FeedWithThirdDeal([](std::string d) {
                     return Replace(d, "<stock>102</stock>", "<stock></stock>");
                 }),
                 3, 3},
        LoadCase{"count beyond 32 bits", FeedWithThirdDeal([](std::string d) {
                     return Replace(d, "<sales_num>2</sales_num>",
                                    "<sales_num>4294967296</sales_num>");
                 }),
                 3, 3},
        // The picture URL is listed before the stop time is read, so it stays listed.
        LoadCase{"unreadable stop time", FeedWithThirdDeal([](std::string d) {
                     return Replace(d, SampleStopTime(), "soon");
                 }),
                 3, 4},
        LoadCase{"missing nick, itemurl and imagefile",
                 [] {
                     std::vector<FeedDealValues> deals = NumberedDeals(3);
                     deals[0].omitNick = true;
                     deals[1].omitItemUrl = true;
                     deals[2].omitImagefile = true;
                     return FeedDocumentText(deals);
                 }(),
                 3, 3, 2},
        LoadCase{"any root and deal names",
                 "<list a=\"1\">" + DealElement(FeedDealValues{}, "item") +
                     DealElement(FeedDealValues{}, "x") + "</list>",
                 2, 2, -1},
        LoadCase{"body cut at its first NUL",
                 kFourDeals.substr(0, kFourDeals.size() - 8) + std::string("\0", 1) + "</deals>", 0,
                 0}),
    [](const ::testing::TestParamInfo<LoadCase>& info) {
        std::string name;
        for (const char* p = info.param.label; *p; ++p)
            name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        return name;
    });

TEST_F(FeedLoad, TwoPriceElementsTakeTheFirst) {
    std::string element = DealElement(FeedDealValues{});
    element = Replace(element, "<price>29.90</price>", "<price>12.00</price><price>29.90</price>");
    serveFeed("<deals>" + element + "</deals>");
    TfrmZORMain& w = open();
    ASSERT_EQ(w.tiles().size(), 1u);
    EXPECT_EQ(w.tiles()[0]->Price(), 12.0);
}

TEST_F(FeedLoad, CdataFullTitleReadsAsText) {
    FeedDealValues deal;
    deal.full_title = "<![CDATA[Tom & Jerry <deluxe>]]>";
    serveFeed(FeedDocumentText({deal}));
    TfrmZORMain& w = open();
    ASSERT_EQ(w.tiles().size(), 1u);
    EXPECT_EQ(w.tiles()[0]->Full_Title(), "Tom & Jerry <deluxe>");
}

TEST_F(FeedLoad, GbkFeedShowsChineseTitles) {
    std::vector<FeedDealValues> deals = NumberedDeals(2);
    deals[0].short_title = "新款夏季连衣裙";
    deals[0].nick = "旗舰店";
    deals[1].short_title = "进口零食大礼包";
    const std::string body = ToGbk(FeedDocumentText(deals, "\r\n", "GBK"));
    ASSERT_EQ(body.find("新款"), std::string::npos) << "the bytes on the wire are GBK";
    serveFeed(body);
    TfrmZORMain& w = open();
    ASSERT_EQ(w.tiles().size(), 2u);
    EXPECT_EQ(w.tiles()[0]->TitleBox->text(), QString::fromUtf8("新款夏季连衣裙"));
    EXPECT_EQ(w.tiles()[0]->Nick(), "旗舰店");
    EXPECT_EQ(w.tiles()[1]->TitleBox->text(), QString::fromUtf8("进口零食大礼包"));
}

TEST_F(FeedLoad, ExternalEntityReadsNothingAndDoesNotCrash) {
    const std::string secret = cacheDir() + "/../zorvia-secret-" + std::to_string(::getpid());
    std::ofstream(secret) << "TOPSECRET";
    FeedDealValues deal;
    deal.nick = "&xxe;";
    deal.short_title = "&xxe;";
    const std::string body =
        "<?xml version=\"1.0\"?>\r\n<!DOCTYPE deals [<!ENTITY xxe SYSTEM \"file://" + secret +
        "\">]>" + FeedDocumentText({deal, FeedDealValues{}}, "", "");
    serveFeed(body);
    TfrmZORMain& w = open();
    ASSERT_EQ(w.tiles().size(), 2u) << "an entity that is never loaded reads as nothing";
    for (TItemPanel* tile : w.tiles()) {
        EXPECT_EQ(tile->Nick().find("TOPSECRET"), std::string::npos);
        EXPECT_EQ(tile->Short_Title().find("TOPSECRET"), std::string::npos);
    }
    EXPECT_EQ(w.tiles()[0]->Nick(), "");
    std::filesystem::remove(secret);
}

TEST_F(FeedLoad, BillionLaughsEndsTheLoad) {
    std::string body = "<?xml version=\"1.0\"?><!DOCTYPE deals [<!ENTITY a0 \"lol\">";
    for (int i = 1; i <= 10; ++i) {
        std::string def;
        for (int k = 0; k < 10; ++k)
            def += "&a" + std::to_string(i - 1) + ";";
        body += "<!ENTITY a" + std::to_string(i) + " \"" + def + "\">";
    }
    FeedDealValues deal;
    deal.short_title = "&a10;";
    body += "]>" + FeedDocumentText({deal}, "", "");
    serveFeed(body);
    TfrmZORMain& w = open();
    EXPECT_TRUE(w.tiles().empty()) << "the parser refuses the document";
}

// Only a feed that was read says which pictures are still wanted: one that could not be had or
// parsed deletes nothing, one that was read and holds no deal prunes every picture (and the
// leftover of a download killed half-way with them).
TEST_F(FeedLoad, CacheIsPrunedOnlyAgainstAFeedThatWasRead) {
    struct {
        const char* name;
        std::function<void()> serve;
        bool pruned;
    } cases[] = {
        {"unreachable", [] { server().stopListening(); }, false},
        {"status 500",
         [] {
             CannedReply failing;
             failing.status = 500;
             server().setReply(kDealFeedPath, failing);
         },
         false},
        {"not well-formed", [this] { serveFeed("<deals><deal>"); }, false},
        {"empty body", [this] { serveFeed(""); }, true},
        {"no deal", [this] { serveFeed("<deals/>"); }, true},
    };
    for (const auto& c : cases) {
        std::filesystem::create_directories(cacheDir() + "/sub");
        for (const char* name : {"/a_250x250.jpg", "/sub/b_310x310.jpg", "/c_250x250.part.jpg",
                                 "/keep.JPG", "/keep.txt"})
            std::ofstream(cacheDir() + name) << "x";
        c.serve();
        TfrmZORMain& w = open(true);
        ASSERT_TRUE(server().resumeListening());
        server().clearReplies();
        EXPECT_TRUE(w.tiles().empty()) << c.name;
        EXPECT_TRUE(w.StatusBar1->currentMessage().isEmpty()) << c.name;
        for (const char* name : {"/a_250x250.jpg", "/sub/b_310x310.jpg", "/c_250x250.part.jpg"})
            EXPECT_EQ(std::filesystem::exists(cacheDir() + name), !c.pruned) << c.name << name;
        EXPECT_TRUE(std::filesystem::exists(cacheDir() + "/keep.JPG")) << c.name;
        EXPECT_TRUE(std::filesystem::exists(cacheDir() + "/keep.txt")) << c.name;
    }
}

// Silent picture hosts cost a start its picture budget, not more: the window comes up with
// every tile on its placeholder, every URL listed (nothing pruned), and once the budget is
// spent no further picture is even asked for. Fetched ahead, several at a time, each picture is
// asked for once, before the budget ends; one after another, only the first is.
TEST_F(FeedLoad, TilePicturesShareOneTimeBudget) {
    const std::string base = server().baseUrl() + "/pic";
    const std::vector<FeedDealValues> deals = NumberedDeals(5, base);
    for (const char* connections : {"", "0"}) {
        SCOPED_TRACE(std::string("ZORVIA_PICTURE_CONNECTIONS=") + connections);
        if (connections[0] != '\0')
            setenv("ZORVIA_PICTURE_CONNECTIONS", connections, 1);
        server().clearRequests();
        StartLimits limits;
        limits.pictures = std::chrono::milliseconds(400);
        SetStartLimitsForTesting(limits);
        for (const FeedDealValues& deal : deals)
            std::ofstream(CacheFilePath(deal.imagefile, kDetailsPictureSuffix)) << "x";
        server().setFallback(StallReply());
        serveFeed(FeedDocumentText(deals));
        TfrmZORMain& w = open();
        SetStartLimitsForTesting(StartLimits());
        unsetenv("ZORVIA_PICTURE_CONNECTIONS");
        ASSERT_EQ(w.tiles().size(), 5u);
        for (TItemPanel* tile : w.tiles())
            EXPECT_FALSE(tile->DealImage->hasPicture());
        EXPECT_EQ(w.ImageUrlList.size(), 5u);
        EXPECT_EQ(server().requestsFor("/pic/").size(), connections[0] == '\0' ? 5u : 1u)
            << "asked for after the budget was spent";
        for (const FeedDealValues& deal : deals) {
            EXPECT_TRUE(
                std::filesystem::exists(CacheFilePath(deal.imagefile, kDetailsPictureSuffix)));
            EXPECT_FALSE(std::filesystem::exists(CacheFilePath(deal.imagefile, kTilePictureSuffix)))
                << "no half picture under its cache name";
        }
        window.reset();
        // A download that ran into the deadline ends there, in the background.
        for (const FeedDealValues& deal : deals)
            EXPECT_TRUE(QTest::qWaitFor([&] {
                return !PictureDownloadInFlight(CacheFilePath(deal.imagefile, kTilePictureSuffix));
            }));
    }
}

TEST_F(FeedLoad, PicturesAreDownloadedOnceAndStrayOnesPruned) {
    const std::string base = server().baseUrl() + "/pic";
    std::vector<FeedDealValues> deals = NumberedDeals(3, base);
    deals[2].imagefile = deals[0].imagefile;  // one file serves both tiles
    CannedReply jpeg;
    jpeg.body = MakeJpeg(250, 250, 1);
    server().setReply("/pic/p0.jpg_250x250.jpg", jpeg);
    // p1 is not served: its tile keeps the placeholder.
    const std::string stray = cacheDir() + "/0123456789abcdef0123456789abcdef_250x250.jpg";
    std::ofstream(stray) << "x";
    const std::string keep310 = CacheFilePath(deals[1].imagefile, kDetailsPictureSuffix);
    std::ofstream(keep310) << "x";
    serveFeed(FeedDocumentText(deals));

    TfrmZORMain& w = open();
    ASSERT_EQ(w.tiles().size(), 3u);
    // Only what the 250 x 167 picture box shows is decoded.
    EXPECT_EQ(w.tiles()[0]->DealImage->picture().size(), QSize(250, 167));
    EXPECT_FALSE(w.tiles()[1]->DealImage->hasPicture());
    EXPECT_EQ(w.tiles()[2]->DealImage->picture().size(), QSize(250, 167));
    EXPECT_EQ(server().requestsFor("/pic/p0.jpg").size(), 1u);
    EXPECT_EQ(w.ImageUrlList, (std::vector<std::string>{deals[0].imagefile, deals[1].imagefile,
                                                        deals[0].imagefile}));
    EXPECT_TRUE(std::filesystem::exists(CacheFilePath(deals[0].imagefile, kTilePictureSuffix)));
    EXPECT_TRUE(std::filesystem::exists(keep310));
    EXPECT_FALSE(std::filesystem::exists(stray));
}

TEST_F(FeedLoad, UndecodableCachedPictureKeepsThePlaceholderAndTheLoadGoesOn) {
    std::vector<FeedDealValues> deals = NumberedDeals(3, "http://127.0.0.1:1/pic");
    const std::string bad = CacheFilePath(deals[1].imagefile, kTilePictureSuffix);
    std::ofstream(bad) << "<html>not a picture</html>";
    serveFeed(FeedDocumentText(deals));
    TfrmZORMain& w = open();
    ASSERT_EQ(w.tiles().size(), 3u);
    EXPECT_FALSE(w.tiles()[1]->DealImage->hasPicture());
    EXPECT_FALSE(std::filesystem::exists(bad)) << "deleted so the next start fetches it again";
}

}  // namespace
