// The marketplace pages the window hands to the desktop, recorded byte for byte.
#include "deals/marketplace_pages.h"
#include "details_support.h"

namespace details_test {
namespace {

struct ItemPageCase {
    const char* name;
    std::string itemUrl, numIid;
    std::string expected;
};

std::vector<ItemPageCase> ItemPageCases() {
    return {
        {"no item address: the marketplace's page of the id", "", "520123",
         MarketplaceItemPageUrl() + "/item.htm?id=520123"},
        {"the feed's own address, unchanged", "http://detail.example.test/x?a=1&b=%E5 c", "520123",
         "http://detail.example.test/x?a=1&b=%E5 c"},
        {"neither: nothing after id=", "", "", MarketplaceItemPageUrl() + "/item.htm?id="},
    };
}

TEST_F(DetailsWindowTest, JoinButtonOpensTheItemPageAndClosesTheWindow) {
    for (const ItemPageCase& c : ItemPageCases()) {
        SCOPED_TRACE(c.name);
        opened.clear();
        delete form.data();
        form = new TfrmItem(&mainWindow);
        form->setSales_Num(1);
        form->setStock(2);
        form->setItemUrl(c.itemUrl);
        form->setNum_iid(c.numIid);
        form->setCurTime(Noon());
        ShowActive();
        QTest::mouseClick(button("ImageJoin"), Qt::LeftButton, {}, QPoint(10, 10));
        EXPECT_EQ(opened, std::vector<std::string>{c.expected});
        EXPECT_TRUE(form->closing());
        EXPECT_TRUE(form->isHidden());
        EXPECT_FALSE(timer()->isActive());
        FlushDeletions();
        EXPECT_TRUE(form.isNull());
    }
}

TEST_F(DetailsWindowTest, SoldOutPictureStillOpensTheItemPageAndClosesTheWindow) {
    form->setSales_Num(128);
    form->setStock(128);
    form->setNum_iid("77");
    ShowActive();
    ASSERT_TRUE(button("ImageJoin")->isHidden());
    QTest::mouseClick(picture("Image4"), Qt::LeftButton, {}, QPoint(100, 100));
    EXPECT_EQ(opened, std::vector<std::string>{MarketplaceItemPageUrl() + "/item.htm?id=77"});
    EXPECT_TRUE(form->closing());
    FlushDeletions();
    EXPECT_TRUE(form.isNull());
}

struct NickCase {
    const char* name;
    std::string nick;
    std::string encoded;
};

const NickCase kNicks[] = {
    // UTF-8 bytes of 小店, a space, A: each byte on its own.
    {"Chinese and a space", "小店 A", "%E5%B0%8F%E5%BA%97+A"},
    {"marks that would break the query", "a&b=c?d#e%f+g", "a%26b%3Dc%3Fd%23e%25f%2Bg"},
    {"unreserved marks too", "x-y.z_w~v", "x%2Dy%2Ez%5Fw%7Ev"},
    {"empty", "", ""},
};

TEST_F(DetailsWindowTest, ShopAndChatPagesCarryTheNicknameOnlyEncodedAndTheWindowStaysOpen) {
    for (const NickCase& c : kNicks) {
        SCOPED_TRACE(c.name);
        opened.clear();
        form->setNick(c.nick);
        form->setNum_iid("520123");
        form->Label14Click();
        form->Image5Click();
        const std::vector<std::string> expected = {
            MarketplaceShopPageUrl() + "/view_shop.htm?shop_nick=" + c.encoded,
            MarketplaceChatPageUrl() + "/webchat/?ver=1&&touid=cnmarket" + c.encoded +
                "&siteid=cnmarket&status=2&portalId=&gid=520123&itemsId=",
        };
        EXPECT_EQ(opened, expected);
        EXPECT_FALSE(form->closing());
    }
}

TEST_F(DetailsWindowTest, ClicksOnTheNameAndTheChatButtonOpenTheirPagesAndKeepTheWindow) {
    form->setNick("Shop");
    form->setNum_iid("9");
    ShowActive();
    QTest::mouseClick(label("Label14"), Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mouseClick(picture("Image5"), Qt::LeftButton, {}, QPoint(5, 5));
    const std::vector<std::string> expected = {
        MarketplaceShopPageUrl() + "/view_shop.htm?shop_nick=Shop",
        MarketplaceChatPageUrl() +
            "/webchat/?ver=1&&touid=cnmarketShop&siteid=cnmarket&status=2&portalId=&gid=9&itemsId=",
    };
    EXPECT_EQ(opened, expected);
    EXPECT_FALSE(form->closing());
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(QApplication::activeWindow(), form.data());
}

}  // namespace
}  // namespace details_test
