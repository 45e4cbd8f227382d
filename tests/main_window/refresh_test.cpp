// A tile click refreshes the deal's sales count on the window's client before the details
// window opens; a click during a refresh is dropped.
#include <QTimer>

#include "deals/vendor_service.h"
#include "views/frm_item.h"
#include "views/picture_box.h"
#include "window_fixture.h"

namespace {

const char kSalesTarget[] = "/software/zor2_item.php?num_iid=7001";

class Refresh : public WindowTest {
protected:
    void openWithDeals(std::vector<std::string> feedHeaders = {}) {
        std::vector<FeedDealValues> deals = NumberedDeals(2);
        deals[0].num_iid = "7001";
        deals[0].sales_num = "100";
        deals[0].stock = "128";
        deals[1].num_iid = "7002";
        deals[1].sales_num = "3";
        deals[1].stock = "10";
        serveFeed(FeedDocumentText(deals), std::move(feedHeaders));
        open(true);
        ASSERT_EQ(window->tiles().size(), 2u);
        first = window->tiles()[0];
        second = window->tiles()[1];
    }
    void replySales(const std::string& target, const std::string& body, int status = 200,
                    bool hold = false) {
        CannedReply reply;
        reply.status = status;
        reply.body = body;
        reply.holdUntilReleased = hold;
        server().setReply(target, reply);
    }
    TItemPanel* first = nullptr;
    TItemPanel* second = nullptr;
};

struct ReplyCase {
    const char* label;
    std::string body;
    int status;
    bool refuse;
    int32_t count;
    bool soldOut;
};

class RefreshReplies : public Refresh, public ::testing::WithParamInterface<ReplyCase> {};

TEST_P(RefreshReplies, CountAndLookAfterTheClick) {
    const ReplyCase& c = GetParam();
    openWithDeals();
    ASSERT_TRUE(first->inStockLook());
    replySales(kSalesTarget, c.body, c.status);
    if (c.refuse)
        server().stopListening();
    window->ItemImageButClick(first);
    ASSERT_TRUE(server().resumeListening());
    EXPECT_EQ(first->Sales_Num(), c.count);
    EXPECT_EQ(first->soldOutLook(), c.soldOut);
    EXPECT_EQ(first->BuyButton->isHidden(), c.soldOut);
    EXPECT_EQ(second->Sales_Num(), 3) << "other tiles are left alone";
    EXPECT_FALSE(window->refreshing());
    EXPECT_FALSE(window->IdHTTP1.busy());

    // The details window that the click opened shows the refreshed count and its stock state.
    const QList<TfrmItem*> opened = window->findChildren<TfrmItem*>();
    ASSERT_EQ(opened.size(), 1);
    TfrmItem* details = opened.front();
    EXPECT_TRUE(details->isVisible());
    EXPECT_EQ(details->Sales_Num(), c.count);
    EXPECT_EQ(details->findChild<TLabel*>("Label7")->caption(), QString::number(c.count));
    EXPECT_EQ(details->findChild<TLabel*>("Label9")->caption(),
              QString::fromUtf8(c.soldOut ? "已经卖光啦,下次早点来吧!" : "数量有限,赶快下单吧!"));
    EXPECT_EQ(details->findChild<TDxImage*>("ImageJoin")->isHidden(), c.soldOut);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, RefreshReplies,
    ::testing::Values(ReplyCase{"reaches the stock", "128", 200, false, 128, true},
                      ReplyCase{"below the stock", "127", 200, false, 127, false},
                      ReplyCase{"beyond the stock", "500", 200, false, 500, true},
                      ReplyCase{"leading space and hex", " $80", 200, false, 128, true},
                      ReplyCase{"line break after the digits", "128\r\n", 200, false, 100, false},
                      ReplyCase{"empty reply", "", 200, false, 100, false},
                      ReplyCase{"decimal fraction", "128.0", 200, false, 100, false},
                      ReplyCase{"server error", "128", 500, false, 100, false},
                      ReplyCase{"not found", "128", 404, false, 100, false},
                      ReplyCase{"connection refused", "128", 200, true, 100, false}),
    [](const ::testing::TestParamInfo<ReplyCase>& info) {
        std::string name;
        for (const char* p = info.param.label; *p; ++p)
            name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        return name;
    });

TEST_F(Refresh, ClickOnPictureOrButtonRefreshesThatTile) {
    openWithDeals();
    replySales(kSalesTarget, "120");
    replySales("/software/zor2_item.php?num_iid=7002", "9");
    QTest::mouseClick(first->DealImage, Qt::LeftButton, {}, QPoint(50, 50));
    EXPECT_EQ(first->Sales_Num(), 120);
    QTest::mouseClick(second->BuyButton, Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_EQ(second->Sales_Num(), 9);
    EXPECT_EQ(server().requestsFor("/software/zor2_item.php").size(), 2u);
}

TEST_F(Refresh, IdGoesUnencodedAndFeedCookieComesBack) {
    std::vector<FeedDealValues> deals = NumberedDeals(1);
    deals[0].num_iid = "12 34&amp;x=1";
    serveFeed(FeedDocumentText(deals), {"Set-Cookie: zsid=abc123; Path=/software/"});
    open(true);
    ASSERT_EQ(window->tiles().size(), 1u);
    replySales("/software/zor2_item.php?num_iid=12 34&x=1", "42");
    window->ItemImageButClick(window->tiles()[0]);
    const std::vector<RecordedRequest> sales = server().requestsFor("/software/zor2_item.php");
    ASSERT_EQ(sales.size(), 1u);
    EXPECT_EQ(sales[0].target, "/software/zor2_item.php?num_iid=12 34&x=1");
    EXPECT_NE(sales[0].header("Cookie").find("zsid=abc123"), std::string::npos) << sales[0].raw;
    EXPECT_EQ(window->tiles()[0]->Sales_Num(), 42);
    const std::vector<RecordedRequest> feed = server().requestsFor(kDealFeedPath);
    ASSERT_EQ(feed.size(), 1u);
    EXPECT_EQ(feed[0].header("Cookie"), "") << "no cookie before the service set one";
}

TEST_F(Refresh, ClickDuringAHeldBackRefreshStartsNoSecondRequest) {
    openWithDeals();
    replySales(kSalesTarget, "120", 200, /*hold=*/true);
    replySales("/software/zor2_item.php?num_iid=7002", "9");
    bool sawRefreshing = false;
    bool secondClickDone = false;
    // While the first request waits, the hook keeps events flowing: click the other tile and
    // the same tile again, then let the reply go.
    QTimer::singleShot(300, window.get(), [&] {
        sawRefreshing = window->refreshing() && server().heldCount() == 1;
        QTest::mouseClick(second->DealImage, Qt::LeftButton, {}, QPoint(50, 50));
        QTest::mouseClick(first->BuyButton, Qt::LeftButton, {}, QPoint(20, 10));
        secondClickDone = true;
        server().release();
    });
    QTimer::singleShot(8000, window.get(), [] { TestServer().release(); });  // never hang
    QTest::mouseClick(first->DealImage, Qt::LeftButton, {}, QPoint(50, 50));
    EXPECT_TRUE(secondClickDone);
    EXPECT_TRUE(sawRefreshing);
    EXPECT_EQ(server().requestsFor("/software/zor2_item.php").size(), 1u);
    EXPECT_EQ(first->Sales_Num(), 120);
    EXPECT_EQ(second->Sales_Num(), 3) << "the dropped click changed nothing";
    EXPECT_FALSE(window->refreshing());

    // Once the refresh is over, clicks work again.
    window->ItemImageButClick(second);
    EXPECT_EQ(second->Sales_Num(), 9);
}

TEST(SalesCountRequest, ReadsTheReplyStrictlyOnTheGivenClient) {
    LoopbackServer& server = TestServer();
    server.clearRequests();
    CannedReply reply;
    reply.body = "57";
    server.setReply("/software/zor2_item.php?num_iid=9", reply);
    HttpClient client;
    EXPECT_EQ(FetchSalesNum(client, "9", -1), 57);
    reply.body = "57 ";
    server.setReply("/software/zor2_item.php?num_iid=9", reply);
    EXPECT_EQ(FetchSalesNum(client, "9", -1), -1);
    reply.status = 404;
    server.setReply("/software/zor2_item.php?num_iid=9", reply);
    EXPECT_THROW(FetchSalesNum(client, "9", -1), ZorviaError) << "a failed request raises";
}

}  // namespace
