// The stand-in's feed and pictures, read the way the program reads them.
#include <gtest/gtest.h>

#include <QApplication>
#include <algorithm>
#include <set>
#include <string>

#include "catalogue.h"
#include "deals/deal_feed.h"
#include "pictures.h"
#include "pictures/jpeg_image.h"
#include "services/date_text.h"
#include "services/number_text.h"
#include "tests/foundation/regional_fixtures.h"

namespace {

struct RegionCase {
    const char* name;
    RegionalSettings settings;
};

class FeedInRegionTest : public ::testing::TestWithParam<RegionCase> {};

TEST_P(FeedInRegionTest, EveryDealReadsBackWithTheProgramsReaders) {
    const RegionalSettings& regional = GetParam().settings;
    const DateTime start = EncodeDateTime(2026, 12, 30, 22, 15, 0);  // the year turns meanwhile
    const Catalogue catalogue(start);
    const std::string body =
        Utf8ToGbk(catalogue.FeedXml(0, "http://127.0.0.1:8787", "http://127.0.0.1:8787", regional));
    ASSERT_EQ(body.rfind("<?xml version=\"1.0\" encoding=\"GBK\"?>", 0), 0u);

    FeedDocument feed(body);
    ASSERT_TRUE(feed.hasRoot());
    ASSERT_EQ(feed.dealCount(), static_cast<int>(catalogue.deals().size()));
    ASSERT_GE(feed.dealCount(), 24);

    std::set<std::string> ids;
    int soldOut = 0, inStock = 0, withItemUrl = 0, withoutItemUrl = 0;
    DateTime earliest = 1e9, latest = 0;
    for (int i = 0; i < feed.dealCount(); ++i) {
        const FeedDeal deal = feed.deal(i);
        const CatalogueDeal& source = catalogue.deals()[static_cast<size_t>(i)];
        SCOPED_TRACE(source.numIid);
        // GBK on the wire, the same characters after the parser.
        EXPECT_EQ(deal.value("nick"), source.nick);
        EXPECT_EQ(deal.value("short_title"), source.shortTitle);
        EXPECT_EQ(deal.value("full_title"), source.fullTitle);
        EXPECT_NE(std::find_if(source.shortTitle.begin(), source.shortTitle.end(),
                               [](char c) { return static_cast<unsigned char>(c) > 0x7F; }),
                  source.shortTitle.end())
            << "a Chinese title";

        const double price = ReadMoney(deal.value("price"), regional);
        const double sprice = ReadMoney(deal.value("sprice"), regional);
        EXPECT_DOUBLE_EQ(price, source.price);
        EXPECT_GT(sprice, price);
        const int sales = ReadCount(deal.value("sales_num"), regional);
        const int stock = ReadCount(deal.value("stock"), regional);
        EXPECT_GT(stock, 0);
        (sales >= stock ? soldOut : inStock)++;

        const std::string id = deal.value("num_iid");
        EXPECT_TRUE(ids.insert(id).second) << "item ids are unique";
        const std::string itemUrl = deal.value("itemurl");
        if (itemUrl.empty()) {
            ++withoutItemUrl;
        } else {
            ++withItemUrl;
            EXPECT_EQ(itemUrl, "http://127.0.0.1:8787/market/item/item.htm?id=" + id);
        }
        EXPECT_EQ(deal.value("imagefile"), "http://127.0.0.1:8787/pic/" + id + ".jpg");

        const DateTime stop = ReadDateTime(deal.value("stop_time"), regional, 2026);
        EXPECT_NEAR(stop, start + source.hoursLeft / 24.0, 1.0 / 86400) << deal.value("stop_time");
        earliest = std::min(earliest, stop);
        latest = std::max(latest, stop);
    }
    EXPECT_GE(soldOut, 3);
    EXPECT_GE(inStock, 12);
    EXPECT_GE(withItemUrl, 3);
    EXPECT_GE(withoutItemUrl, 3);
    EXPECT_LT(earliest - start, 2.0 / 24) << "some deals end within the hour or two";
    EXPECT_GT(latest - start, 3.0) << "some run for days";
}

INSTANTIATE_TEST_SUITE_P(
    Regions, FeedInRegionTest,
    ::testing::Values(
        RegionCase{"IsoDashes", Settings(".", ",", DateOrder::YearMonthDay, "-", ":")},
        RegionCase{"UsSlashes", Settings(".", ",", DateOrder::MonthDayYear, "/", ":")},
        RegionCase{"GermanDotsAndCommas", Settings(",", ".", DateOrder::DayMonthYear, ".", ":")},
        RegionCase{"FinnishTimeDots", Settings(",", " ", DateOrder::DayMonthYear, ".", ".")}),
    [](const ::testing::TestParamInfo<RegionCase>& info) { return std::string(info.param.name); });

TEST(CatalogueSales, GrowWhileRunningAndStopAtTheStock) {
    CatalogueDeal deal{};
    deal.salesAtStart = 100;
    deal.stock = 110;
    deal.secondsPerSale = 4;
    const struct {
        double elapsed;
        int sales;
    } cases[] = {{0, 100}, {3.9, 100}, {4, 101}, {39.9, 109}, {40, 110}, {400, 110}, {-5, 100}};
    for (const auto& c : cases)
        EXPECT_EQ(Catalogue::SalesAfter(deal, c.elapsed), c.sales) << c.elapsed;

    deal.salesAtStart = 110;  // sold out from the start: stays as it is
    EXPECT_EQ(Catalogue::SalesAfter(deal, 1000), 110);
    deal.salesAtStart = 50;
    deal.secondsPerSale = 0;  // nobody buys any more
    EXPECT_EQ(Catalogue::SalesAfter(deal, 1000), 50);
}

TEST(CatalogueSales, ServedCountsAreWhatTheProgramReads) {
    const Catalogue catalogue(EncodeDateTime(2026, 6, 1));
    for (const CatalogueDeal& deal : catalogue.deals()) {
        const std::string reply = std::to_string(Catalogue::SalesAfter(deal, 3600));
        EXPECT_EQ(ReadSalesCount(reply), Catalogue::SalesAfter(deal, 3600)) << reply;
    }
}

TEST(CataloguePictures, AreBaselineJpegsOfBothSizesThatLibjpegDecodes) {
    for (PictureKind kind : {PictureKind::Shirt, PictureKind::Mug, PictureKind::Phone,
                             PictureKind::Tea, PictureKind::Lamp}) {
        for (int size : {250, 310}) {
            const QByteArray jpeg =
                EncodeJpeg(DrawProductPicture(kind, 0x3A7BD5, size, QString::fromUtf8("3.4折")));
            ASSERT_GT(jpeg.size(), 1000) << size;
            EXPECT_TRUE(jpeg.startsWith("\xFF\xD8")) << "starts with a JPEG marker";
            EXPECT_TRUE(jpeg.contains(QByteArray("\xFF\xC0", 2))) << "a baseline frame";
            EXPECT_FALSE(jpeg.contains(QByteArray("\xFF\xC2", 2))) << "no progressive frame";
            const QImage decoded = TJPEGImage::Decode(jpeg);
            EXPECT_EQ(decoded.size(), QSize(size, size));
            // Not a blank square: the product stands out from the backdrop.
            EXPECT_NE(decoded.pixel(size / 2, size / 3), decoded.pixel(2, 2));
        }
    }
}

TEST(CatalogueText, MarkupIsEscapedAndGbkRefusesWhatItCannotHold) {
    EXPECT_EQ(EscapeMarkup("<a href=\"x\">&'</a>"),
              "&lt;a href=&quot;x&quot;&gt;&amp;&#39;&lt;/a&gt;");
    EXPECT_EQ(Utf8ToGbk("暖阳"), "\xC5\xAF\xD1\xF4");
    EXPECT_EQ(Utf8ToGbk("ZorviaⅡ"), "Zorvia\xA2\xF2");
    EXPECT_THROW(Utf8ToGbk("\xF0\x9F\x98\x80"), std::runtime_error) << "an emoji has no GBK form";
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
