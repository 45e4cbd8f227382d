// The deal tile on its own: layout, looks, the display rules of its setters, hover and clicks.
#include <gtest/gtest.h>

#include <QEnterEvent>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPainter>
#include <QTest>
#include <functional>
#include <vector>

#include "pictures/packaged_pictures.h"
#include "services/errors.h"
#include "views/dx_image.h"
#include "views/item_panel.h"
#include "views/label.h"
#include "views/picture_box.h"

namespace {

QString Q(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// Labels remember their size per font and text across labels; a label that differs in
// anything else that changes the size must not be given another label's size.
TEST(LabelSize, RememberedSizeFollowsEverySettingThatChangesIt) {
    const QString text = QStringLiteral("&Price 12.50");
    auto asTLabelIs = [](QLabel& label) {
        label.setContentsMargins(0, 0, 0, 0);
        label.setMargin(0);
        label.setIndent(0);
        label.setWordWrap(false);
        label.setTextFormat(Qt::PlainText);
    };
    struct Case {
        const char* what;
        std::function<void(QLabel&)> change;
    };
    const std::vector<Case> cases = {
        {"as primed", [](QLabel&) {}},
        {"bold",
         [](QLabel& l) {
             QFont f = l.font();
             f.setBold(true);
             l.setFont(f);
         }},
        {"larger",
         [](QLabel& l) {
             QFont f = l.font();
             f.setPixelSize(f.pixelSize() > 0 ? f.pixelSize() * 2 : 30);
             l.setFont(f);
         }},
        {"other text", [](QLabel& l) { l.setText(QStringLiteral("&Price 1")); }},
        {"indent", [](QLabel& l) { l.setIndent(9); }},
        {"margin", [](QLabel& l) { l.setMargin(4); }},
        {"contents margins", [](QLabel& l) { l.setContentsMargins(1, 2, 3, 4); }},
        {"frame", [](QLabel& l) { l.setFrameStyle(QFrame::Box | QFrame::Plain); }},
        {"right to left", [](QLabel& l) { l.setLayoutDirection(Qt::RightToLeft); }},
        {"buddy", [](QLabel& l) { l.setBuddy(new QLineEdit(&l)); }},
        {"centred", [](QLabel& l) { l.setAlignment(Qt::AlignCenter); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TLabel primed;
        primed.setCaption(text);
        primed.sizeHint();  // remembered for this font and text

        TLabel label;
        label.setCaption(text);
        c.change(label);
        QLabel plain;
        asTLabelIs(plain);
        plain.setText(text);
        c.change(plain);
        EXPECT_EQ(label.sizeHint(), plain.sizeHint());
        EXPECT_EQ(label.sizeHint(), plain.sizeHint()) << "asked again, from what it remembers";
    }
}

TEST(ItemPanelLayout, ChildrenInOrderWithTheirPlaces) {
    TItemPanel tile;
    EXPECT_EQ(tile.size(), QSize(260, 260));
    struct Child {
        const char* name;
        QPoint at;
    };
    const Child expected[] = {
        {"TitleBox", {5, 14}},        {"BackImage", {4, 44}},         {"DealImage", {5, 45}},
        {"ShadeImage", {5, 188}},     {"OrigPriceCaption", {8, 194}}, {"OrigPriceLabel", {34, 194}},
        {"DiscountLabel", {85, 194}}, {"SalesNumLabel", {190, 194}},  {"BoughtCaption", {200, 194}},
        {"PriceLabel", {10, 220}},    {"BuyButton", {168, 220}},
    };
    QList<QWidget*> children;
    for (QObject* child : tile.children())
        if (child->isWidgetType())
            children.push_back(static_cast<QWidget*>(child));
    ASSERT_EQ(children.size(), static_cast<qsizetype>(std::size(expected)));
    for (size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(children[i]->objectName(), QString::fromLatin1(expected[i].name)) << i;
        EXPECT_EQ(children[i]->pos(), expected[i].at) << expected[i].name;
    }
    EXPECT_EQ(tile.TitleBox->width(), 250);
    EXPECT_EQ(tile.DealImage->size(), QSize(250, 167));
    EXPECT_EQ(tile.ShadeImage->size(), QSize(250, 25));
    EXPECT_EQ(tile.BuyButton->size(), QSize(82, 29));
}

TEST(ItemPanelLayout, FontsColoursAndInitialTexts) {
    TItemPanel tile;
    struct LabelCase {
        TLabel* label;
        const char* text;
        int px;
        bool bold;
        bool struck;
        QColor colour;
    };
    const QColor white(255, 255, 255);
    const LabelCase cases[] = {
        {tile.OrigPriceCaption, "原价", 13, false, false, white},
        {tile.OrigPriceLabel, "2000.00", 13, false, true, white},
        {tile.DiscountLabel, "元 折扣0.0折", 13, false, false, white},
        {tile.SalesNumLabel, "0", 13, true, false, QColor(0xB0, 0xE5, 0x53)},
        {tile.BoughtCaption, "人已购买", 13, false, false, white},
        {tile.PriceLabel, "0.00", 27, true, false, white},
    };
    for (const LabelCase& c : cases) {
        const QString name = c.label->objectName();
        EXPECT_EQ(c.label->text(), Q(c.text)) << name.toStdString();
        EXPECT_EQ(c.label->font().pixelSize(), c.px) << name.toStdString();
        EXPECT_EQ(c.label->font().bold(), c.bold) << name.toStdString();
        EXPECT_EQ(c.label->font().strikeOut(), c.struck) << name.toStdString();
        EXPECT_EQ(c.label->font().family(), Q("宋体")) << name.toStdString();
        EXPECT_EQ(c.label->palette().color(QPalette::WindowText), c.colour) << name.toStdString();
        EXPECT_FALSE(c.label->autoFillBackground()) << name.toStdString();
    }

    QLineEdit* title = tile.TitleBox;
    EXPECT_EQ(title->text(), QString());
    EXPECT_FALSE(title->isEnabled());
    EXPECT_FALSE(title->hasFrame());
    EXPECT_EQ(title->font().pixelSize(), 19);
    EXPECT_TRUE(title->font().bold());
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Disabled})
        EXPECT_EQ(title->palette().color(group, QPalette::Text), QColor(0x66, 0x66, 0x66));

    // Not stocked yet: no background, the button shown with its normal picture.
    EXPECT_FALSE(tile.BackImage->hasPicture());
    EXPECT_FALSE(tile.BuyButton->isHidden());
    EXPECT_EQ(tile.BuyButton->picture().cacheKey(), tile.BuyPicture().cacheKey());
    EXPECT_FALSE(tile.inStockLook());
    EXPECT_FALSE(tile.soldOutLook());
}

TEST(ItemPanelPaint, BevelsAndBlendedShade) {
    TItemPanel tile;
    tile.setStock(1);  // in stock: the red band and the grey picture area
    const QImage shot = tile.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QPalette& p = tile.palette();
    const QRgb light = p.color(QPalette::Light).rgb();
    const QRgb dark = p.color(QPalette::Dark).rgb();
    EXPECT_EQ(shot.pixel(0, 100), light) << "outer bevel, left";
    EXPECT_EQ(shot.pixel(100, 0), light) << "outer bevel, top";
    EXPECT_EQ(shot.pixel(259, 100), dark) << "outer bevel, right";
    EXPECT_EQ(shot.pixel(100, 259), dark) << "outer bevel, bottom";
    EXPECT_EQ(shot.pixel(1, 100), dark) << "inner bevel, left";
    EXPECT_EQ(shot.pixel(258, 100), light) << "inner bevel, right";
    EXPECT_EQ(shot.pixel(100, 258), light) << "inner bevel, bottom";
    EXPECT_EQ(shot.pixel(100, 5), p.color(QPalette::Button).rgb()) << "panel face";

    // The strip is blended over the background, not painted opaque: compute the expected mix
    // of the two packaged pictures at a spot free of text (tile row 190, column 150).
    const QImage back = tile.InStockBack().convertToFormat(QImage::Format_ARGB32);
    const QImage shade =
        PackagedImage(QStringLiteral("homebak1")).convertToFormat(QImage::Format_ARGB32);
    const QColor under = back.pixelColor(150 - 4, 190 - 44);
    const QColor over = shade.pixelColor(150 - 5, 190 - 188);
    const double a = over.alphaF();
    const QColor got = shot.pixelColor(150, 190);
    EXPECT_GT(a, 0.2);
    EXPECT_LT(a, 0.9);
    EXPECT_NEAR(got.red(), over.red() * a + under.red() * (1 - a), 3);
    EXPECT_NEAR(got.green(), over.green() * a + under.green() * (1 - a), 3);
    EXPECT_NEAR(got.blue(), over.blue() * a + under.blue() * (1 - a), 3);
}

struct PriceCase {
    const char* label;
    double price;
    double sprice;
    bool spriceFirst;
    const char* priceText;
    const char* origText;
    const char* discountText;
    int discountLeft;
};

class ItemPanelPriceTest : public ::testing::TestWithParam<PriceCase> {};

TEST_P(ItemPanelPriceTest, ShowsPricesAndDiscount) {
    const PriceCase& c = GetParam();
    TItemPanel tile;
    if (c.spriceFirst) {
        tile.setSPrice(c.sprice);
        tile.setPrice(c.price);
    } else {
        tile.setPrice(c.price);
        tile.setSPrice(c.sprice);
    }
    EXPECT_EQ(tile.PriceLabel->text(), Q(c.priceText));
    EXPECT_EQ(tile.OrigPriceLabel->text(), Q(c.origText));
    EXPECT_EQ(tile.DiscountLabel->text(), Q(c.discountText));
    EXPECT_EQ(tile.DiscountLabel->x(), c.discountLeft);
    EXPECT_EQ(tile.DiscountLabel->y(), 194);
    EXPECT_EQ(tile.Price(), c.price);
    EXPECT_EQ(tile.SPrice(), c.sprice);
}

INSTANTIATE_TEST_SUITE_P(
    Prices, ItemPanelPriceTest,
    ::testing::Values(
        PriceCase{"typical", 29.9, 99, false, "￥29.90", "99.00", "元 3.0折", 71},
        PriceCase{"half rounds away from zero", 45, 200, false, "￥45.00", "200.00", "元 2.3折",
                  78},
        PriceCase{"sprice before price uses the old price", 45, 200, true, "￥45.00", "200.00",
                  "元 0.0折", 78},
        PriceCase{"long original price", 10, 1234.5, false, "￥10.00", "1234.50", "元 0.1折", 85},
        PriceCase{"price above original", 150, 100, false, "￥150.00", "100.00", "元 15.0折", 78},
        PriceCase{"negative original", 5, -10, false, "￥5.00", "-10.00", "元 -5.0折", 78}),
    [](const ::testing::TestParamInfo<PriceCase>& info) {
        std::string name;
        for (const char* p = info.param.label; *p; ++p)
            name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
        return name;
    });

TEST(ItemPanelPrice, ZeroOriginalPriceFailsAfterMovingTheDiscount) {
    for (double price : {29.9, 0.0}) {
        TItemPanel tile;
        tile.setPrice(price);
        tile.setSPrice(99);
        const QString before = tile.DiscountLabel->text();
        EXPECT_THROW(tile.setSPrice(0), ArithmeticError) << price;
        EXPECT_EQ(tile.OrigPriceLabel->text(), Q("0.00"));
        EXPECT_EQ(tile.DiscountLabel->x(), 34 + 4 * 7 + 2) << "moved for the four characters";
        EXPECT_EQ(tile.DiscountLabel->text(), before) << "the text stays";
        EXPECT_EQ(tile.SPrice(), 0.0);
    }
}

TEST(ItemPanelSales, CountIsPlacedBeforeTheCaption) {
    const struct {
        int32_t count;
        const char* text;
        int left;
    } cases[] = {{0, "0", 188},
                 {123, "123", 174},
                 {12345, "12345", 160},
                 {-5, "-5", 181},
                 {INT32_MIN, "-2147483648", 118}};
    for (const auto& c : cases) {
        TItemPanel tile;
        tile.setSales_Num(c.count);
        EXPECT_EQ(tile.SalesNumLabel->text(), Q(c.text));
        EXPECT_EQ(tile.SalesNumLabel->x(), c.left) << c.text;
        EXPECT_EQ(tile.Sales_Num(), c.count);
        EXPECT_FALSE(tile.inStockLook() || tile.soldOutLook()) << "the look waits for Stock";
    }
}

// The tile places its texts by a fixed 7 px a character; with the widest plausible values each
// text, measured in its real font, still ends before what the rule puts after it.
TEST(ItemPanelFit, WidestValuesEndBeforeWhatFollowsThem) {
    TItemPanel tile;
    tile.setPrice(9999.99);
    tile.setSPrice(9999.99);  // the discount reads 10.0
    tile.setSales_Num(99999);
    tile.setStock(100000);
    auto end = [](const TLabel* label) {
        return label->x() + QFontMetrics(label->font()).horizontalAdvance(label->text());
    };
    const struct {
        const char* what;
        const TLabel* label;
        const char* text;
        int nextLeft;
    } cases[] = {
        {"original price before the discount", tile.OrigPriceLabel, "9999.99",
         tile.DiscountLabel->x()},
        {"discount before the buyers", tile.DiscountLabel, "元 10.0折", tile.SalesNumLabel->x()},
        {"buyers before their caption", tile.SalesNumLabel, "99999", tile.BoughtCaption->x()},
        {"caption inside the tile", tile.BoughtCaption, "人已购买", TItemPanel::kWidth - 2},
        {"price before the buy button", tile.PriceLabel, "￥9999.99", tile.BuyButton->x()},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.label->text(), Q(c.text)) << c.what;
        EXPECT_LT(end(c.label), c.nextLeft) << c.what;
    }
}

TEST(ItemPanelLook, StockDecidesAgainstTheCurrentCount) {
    const struct {
        int32_t sales;
        int32_t stock;
        bool soldOut;
    } cases[] = {{0, 0, true},
                 {50, 50, true},
                 {50, 51, false},
                 {51, 50, true},
                 {-1, 0, false},
                 {0, -1, true},
                 {INT32_MAX, INT32_MAX, true},
                 {INT32_MIN, 0, false}};
    for (const auto& c : cases) {
        TItemPanel tile;
        tile.setSales_Num(c.sales);
        tile.setStock(c.stock);
        const std::string label = std::to_string(c.sales) + "/" + std::to_string(c.stock);
        EXPECT_EQ(tile.soldOutLook(), c.soldOut) << label;
        EXPECT_EQ(tile.inStockLook(), !c.soldOut) << label;
        EXPECT_EQ(tile.BuyButton->isHidden(), c.soldOut) << label;
        const QImage& expected = c.soldOut ? tile.SoldOutBack() : tile.InStockBack();
        EXPECT_EQ(tile.BackImage->picture().cacheKey(), expected.cacheKey()) << label;
        EXPECT_EQ(tile.BackImage->size(), QSize(252, 211)) << label;
    }
}

TEST(ItemPanelLook, StaysUntilStockIsSetAgain) {
    TItemPanel tile;
    tile.setSales_Num(10);
    tile.setStock(20);
    ASSERT_TRUE(tile.inStockLook());
    tile.setSales_Num(20);
    EXPECT_TRUE(tile.inStockLook());
    tile.setSales_Num(25);
    EXPECT_TRUE(tile.inStockLook());
    EXPECT_FALSE(tile.BuyButton->isHidden());
    tile.setStock(tile.Stock());
    EXPECT_TRUE(tile.soldOutLook());
    EXPECT_TRUE(tile.BuyButton->isHidden());
    tile.setSales_Num(0);
    EXPECT_TRUE(tile.soldOutLook());
    tile.setStock(tile.Stock());
    EXPECT_TRUE(tile.inStockLook());
}

TEST(ItemPanelLook, LookSwitchKeepsTheButtonPicture) {
    TItemPanel tile;
    QEnterEvent enter(QPointF(3, 3), QPointF(3, 3), QPointF(3, 3));
    QCoreApplication::sendEvent(tile.BuyButton, &enter);
    ASSERT_EQ(tile.BuyButton->picture().cacheKey(), tile.BuyHoverPicture().cacheKey());
    tile.setStock(0);
    tile.setSales_Num(-1);
    tile.setStock(0);
    EXPECT_EQ(tile.BuyButton->picture().cacheKey(), tile.BuyHoverPicture().cacheKey());
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(tile.BuyButton, &leave);
    EXPECT_EQ(tile.BuyButton->picture().cacheKey(), tile.BuyPicture().cacheKey());
}

TEST(ItemPanelTitle, BoxShowsAllAndHintStopsAtTheBar) {
    const struct {
        const char* title;
        const char* hint;
    } cases[] = {{"简单标题", "简单标题"},
                 {"前半|后半", "前半"},
                 {"a|b|c", "a"},
                 {"|leading", ""},
                 {"", ""}};
    for (const auto& c : cases) {
        TItemPanel tile;
        tile.setShort_Title(c.title);
        EXPECT_EQ(tile.TitleBox->text(), Q(c.title));
        EXPECT_EQ(tile.DealImage->toolTip(), Q(c.hint)) << c.title;
        EXPECT_EQ(tile.Short_Title(), c.title);
    }
}

TEST(ItemPanelTitle, LongTitleIsCutAtTheRight) {
    TItemPanel tile;
    const std::string start = "开头";
    std::string title = start;
    for (int i = 0; i < 40; ++i)
        title += "很长的标题";
    tile.setShort_Title(title);
    EXPECT_EQ(tile.TitleBox->cursorPosition(), 0);
    EXPECT_EQ(tile.TitleBox->text().toStdString(), title) << "the box keeps the whole text";
    EXPECT_EQ(tile.DealImage->toolTip().toStdString(), title) << "the hint shows it whole";

    // Drawn from its start: the box's first columns carry ink of the first characters, the
    // same as a box holding only those characters.
    TItemPanel reference;
    reference.setShort_Title(start);
    const QImage a = tile.TitleBox->grab().toImage().copy(0, 0, 30, tile.TitleBox->height());
    const QImage b = reference.TitleBox->grab().toImage().copy(0, 0, 30, tile.TitleBox->height());
    EXPECT_EQ(a, b);
}

TEST(ItemPanelValues, StoredOnlyValuesComeBack) {
    TItemPanel tile;
    tile.setNick("店主");
    tile.setFull_Title("完整标题");
    tile.setNum_iid("12 34&x");
    tile.setItemUrl("http://item/1");
    tile.setStop_time(47000.5);
    const DealRecord& record = tile.record();
    EXPECT_EQ(record.Nick, "店主");
    EXPECT_EQ(record.Full_Title, "完整标题");
    EXPECT_EQ(record.Num_iid, "12 34&x");
    EXPECT_EQ(record.ItemUrl, "http://item/1");
    EXPECT_EQ(record.Stop_time, 47000.5);
    EXPECT_EQ(tile.TitleBox->text(), QString()) << "the full title is not shown on the tile";
}

class ItemPanelClickTest : public ::testing::Test {
protected:
    void SetUp() override {
        tile.OnImageButClick = [this](TItemPanel* sender) { senders.push_back(sender); };
        tile.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&tile));
    }
    TItemPanel tile;
    std::vector<TItemPanel*> senders;
};

TEST_F(ItemPanelClickTest, SenderIsTheTileFromPictureAndButton) {
    tile.setStock(1);
    QTest::mouseClick(tile.DealImage, Qt::LeftButton, {}, QPoint(100, 80));
    QTest::mouseClick(tile.BuyButton, Qt::LeftButton, {}, QPoint(40, 14));
    ASSERT_EQ(senders.size(), 2u);
    EXPECT_EQ(senders[0], &tile);
    EXPECT_EQ(senders[1], &tile);
}

TEST_F(ItemPanelClickTest, SoldOutTileStillClickableThroughItsPicture) {
    tile.setStock(0);
    ASSERT_TRUE(tile.soldOutLook());
    QTest::mouseClick(tile.DealImage, Qt::LeftButton, {}, QPoint(10, 10));
    // Where the hidden button was, the click lands on the tile's background: nothing fires.
    QTest::mouseClick(&tile, Qt::LeftButton, {}, QPoint(200, 230));
    ASSERT_EQ(senders.size(), 1u);
    EXPECT_EQ(senders[0], &tile);
}

TEST_F(ItemPanelClickTest, NoHandlerNoEffectAndRightButtonIgnored) {
    QTest::mouseClick(tile.DealImage, Qt::RightButton, {}, QPoint(10, 10));
    EXPECT_TRUE(senders.empty());
    tile.OnImageButClick = nullptr;
    QTest::mouseClick(tile.DealImage, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseClick(tile.BuyButton, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_TRUE(senders.empty());
}

TEST(ItemPanelHover, EnterAndLeaveSwapTheButtonPicture) {
    TItemPanel tile;
    QEnterEvent enter(QPointF(3, 3), QPointF(3, 3), QPointF(3, 3));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(tile.BuyButton, &enter);
    EXPECT_EQ(tile.BuyButton->picture().cacheKey(), tile.BuyHoverPicture().cacheKey());
    QCoreApplication::sendEvent(tile.BuyButton, &leave);
    EXPECT_EQ(tile.BuyButton->picture().cacheKey(), tile.BuyPicture().cacheKey());
    EXPECT_NE(tile.BuyPicture().cacheKey(), tile.BuyHoverPicture().cacheKey());
}

TEST(ItemPanelPictures, TilesSharePackagedPixels) {
    TItemPanel first;
    TItemPanel second;
    first.setStock(1);
    second.setStock(1);
    EXPECT_EQ(first.BackImage->picture().constBits(), second.BackImage->picture().constBits());
    EXPECT_EQ(first.BuyButton->picture().constBits(), second.BuyButton->picture().constBits());
    EXPECT_EQ(first.ShadeImage->picture().constBits(), second.ShadeImage->picture().constBits());
    EXPECT_EQ(first.SoldOutBack().constBits(), second.SoldOutBack().constBits());
    EXPECT_EQ(first.InStockBack().size(), QSize(252, 211));
    EXPECT_EQ(first.BuyHoverPicture().size(), QSize(82, 29));
}

}  // namespace
