// What each value shows once assigned, and the countdown step.
#include "deals/deal_clock.h"
#include "details_support.h"
#include "services/errors.h"

namespace details_test {
namespace {

struct PriceCase {
    double price, sPrice;
    const char *priceText, *originalText, *discountText, *savingText;
};

const PriceCase kPriceCases[] = {
    {31, 100, "￥31.00", "￥100.00", "3.1", "￥69.00"},
    {29.9, 59.8, "￥29.90", "￥59.80", "5.0", "￥29.90"},
    // A deal dearer than the original price: discount above 10, saving below zero.
    {105, 100, "￥105.00", "￥100.00", "10.5", "￥-5.00"},
    // Halves are rounded away from zero, not to even.
    {2.25, 10, "￥2.25", "￥10.00", "2.3", "￥7.75"},
    {0.125, 0.5, "￥0.13", "￥0.50", "2.5", "￥0.38"},
    {0, 12, "￥0.00", "￥12.00", "0.0", "￥12.00"},
};

TEST_F(DetailsWindowTest, PricesShowTheAmountsTheDiscountAndTheSaving) {
    for (const PriceCase& c : kPriceCases) {
        SCOPED_TRACE(c.priceText);
        form->setPrice(c.price);
        form->setSPrice(c.sPrice);
        EXPECT_EQ(text("LabelPrice"), QString::fromUtf8(c.priceText));
        EXPECT_EQ(text("Label4"), QString::fromUtf8(c.originalText));
        EXPECT_EQ(text("Label5"), QString::fromUtf8(c.discountText));
        EXPECT_EQ(text("Label6"), QString::fromUtf8(c.savingText));
        EXPECT_EQ(form->Price(), c.price);
        EXPECT_EQ(form->SPrice(), c.sPrice);
    }
}

TEST_F(DetailsWindowTest, DiscountAndSavingUseThePriceHeldWhenTheOriginalPriceArrives) {
    form->setPrice(31);
    form->setSPrice(100);
    // A later price alone changes only its own label.
    form->setPrice(50);
    EXPECT_EQ(text("LabelPrice"), QString::fromUtf8("￥50.00"));
    EXPECT_EQ(text("Label5"), QStringLiteral("3.1"));
    EXPECT_EQ(text("Label6"), QString::fromUtf8("￥69.00"));
}

TEST_F(DetailsWindowTest, NoOriginalPriceFailsInsteadOfShowingAnEndlessDiscount) {
    form->setPrice(10);
    EXPECT_THROW(form->setSPrice(0), ArithmeticError);
    EXPECT_EQ(text("Label5"), QStringLiteral("3.1"));
}

TEST_F(DetailsWindowTest, BuyersEndJustBeforeTheirCaptionWhateverTheirLength) {
    struct Case {
        int32_t salesNum;
        const char* shown;
        int left;
    };
    const Case cases[] = {{5, "5", 110},           {0, "0", 110},      {42, "42", 98},
                          {128, "128", 86},        {1234, "1234", 74}, {-3, "-3", 98},
                          {1000000, "1000000", 38}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        form->setSales_Num(c.salesNum);
        EXPECT_EQ(text("Label7"), QString::fromLatin1(c.shown));
        EXPECT_EQ(label("Label7")->pos(), QPoint(c.left, 191));
        EXPECT_EQ(form->Sales_Num(), c.salesNum);
    }
}

TEST_F(DetailsWindowTest, StockDecidesBetweenTheJoinButtonAndTheSoldOutLook) {
    struct Case {
        int32_t salesNum, stock;
        bool inStock;
    };
    const Case cases[] = {{10, 11, true}, {10, 10, false}, {10, 9, false},
                          {0, 0, false},  {0, 1, true},    {128, 128, false}};
    const QImage inStockBack = PackagedImage(QStringLiteral("itembak"));
    const QImage soldOutBack = PackagedImage(QStringLiteral("itembak2"));
    ASSERT_FALSE(inStockBack.isNull());
    ASSERT_FALSE(soldOutBack.isNull());
    ASSERT_NE(inStockBack, soldOutBack);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.salesNum << " of " << c.stock);
        form->setSales_Num(c.salesNum);
        form->setStock(c.stock);
        EXPECT_EQ(button("ImageJoin")->isHidden(), !c.inStock);
        EXPECT_EQ(picture("Image1")->picture(), c.inStock ? inStockBack : soldOutBack);
        EXPECT_EQ(text("Label9"), QString::fromUtf8(c.inStock ? "数量有限,赶快下单吧!"
                                                              : "已经卖光啦,下次早点来吧!"));
    }
}

TEST_F(DetailsWindowTest, TextsReachTheirBoxesAndStoredValuesStayAsGiven) {
    form->setTitle("第一行 first line\r\nsecond line\rthird\nfourth");
    EXPECT_EQ(memo()->text(), QString::fromUtf8("第一行 first line\nsecond line\nthird\nfourth"));
    EXPECT_EQ(memo()->lineCount(), 4);
    EXPECT_EQ(memo()->visibleLineCount(), 2) << "what lies below two lines is not drawn";
    EXPECT_EQ(form->Title(), "第一行 first line\r\nsecond line\rthird\nfourth");

    form->setNick("小店 A");
    EXPECT_EQ(text("Label14"), QString::fromUtf8("小店 A"));
    form->setNick("");
    EXPECT_EQ(text("Label14"), QString());

    form->setNum_iid("12345");
    form->setItemUrl("http://example.test/item?id=1");
    form->setStopTime(Noon());
    EXPECT_EQ(form->num_iid(), "12345");
    EXPECT_EQ(form->ItemUrl(), "http://example.test/item?id=1");
    EXPECT_EQ(form->StopTime(), Noon());
    // Stored values alone start nothing.
    EXPECT_FALSE(timer()->isActive());
}

struct CountdownCase {
    const char* name;
    int64_t stopMinusCurMs;
    std::vector<std::vector<const char*>> steps;  // hours, minutes, seconds.tenths after each
};

const CountdownCase kCountdowns[] = {
    {"an hour two minutes and 3.45 seconds",
     3723450,
     {{"1", "2", "3.4"}, {"1", "2", "3.3"}, {"1", "2", "3.2"}}},
    // The distance is absolute: past the stop time it counts up again.
    {"through the stop time",
     250,
     {{"0", "0", "0.2"},
      {"0", "0", "0.1"},
      {"0", "0", "0.0"},
      {"0", "0", "0.0"},
      {"0", "0", "0.1"},
      {"0", "0", "0.2"}}},
    {"already past", -90250, {{"0", "1", "30.2"}, {"0", "1", "30.3"}}},
    {"more than a day away", (26 * 3600 + 30 * 60) * 1000LL + 550, {{"26", "30", "0.5"}}},
    {"three days away", 72 * 3600 * 1000LL + 50, {{"72", "0", "0.0"}}},
};

TEST_F(DetailsWindowTest, EachStepShowsTheDistanceThenMovesTheClockOnByATenth) {
    for (const CountdownCase& c : kCountdowns) {
        SCOPED_TRACE(c.name);
        const DateTime start = Noon();
        form->setStopTime(AddMilliseconds(start, c.stopMinusCurMs));
        form->setCurTime(start);
        DateTime expectedClock = start;
        for (const auto& step : c.steps) {
            form->Timer1Timer();
            expectedClock = AddMilliseconds(expectedClock, 100);
            EXPECT_EQ(text("Label11"), QString::fromLatin1(step[0]));
            EXPECT_EQ(text("Label12"), QString::fromLatin1(step[1]));
            EXPECT_EQ(text("Label13"), QString::fromLatin1(step[2]));
            EXPECT_EQ(form->CurTime(), expectedClock);
        }
    }
}

TEST_F(DetailsWindowTest, HoursAndMinutesAreRewrittenOnlyWhenTheyChange) {
    const DateTime start = Noon();
    // 1 h 0 min 1.05 s: the minutes roll over after eleven steps, the hours after twelve.
    form->setStopTime(AddMilliseconds(start, 3601050));
    form->setCurTime(start);
    const int hoursBefore = label("Label11")->captionWrites();
    const int minutesBefore = label("Label12")->captionWrites();
    const int secondsBefore = label("Label13")->captionWrites();
    for (int i = 0; i < 10; ++i)
        form->Timer1Timer();
    EXPECT_EQ(text("Label11"), QStringLiteral("1"));
    EXPECT_EQ(text("Label12"), QStringLiteral("0"));
    EXPECT_EQ(text("Label13"), QStringLiteral("0.1"));
    EXPECT_EQ(label("Label11")->captionWrites(), hoursBefore + 1);
    EXPECT_EQ(label("Label12")->captionWrites(), minutesBefore + 1);
    EXPECT_EQ(label("Label13")->captionWrites(), secondsBefore + 10) << "always rewritten";
    for (int i = 0; i < 2; ++i)
        form->Timer1Timer();
    EXPECT_EQ(text("Label11"), QStringLiteral("0"));
    EXPECT_EQ(text("Label12"), QStringLiteral("59"));
    EXPECT_EQ(text("Label13"), QStringLiteral("59.9"));
    EXPECT_EQ(label("Label11")->captionWrites(), hoursBefore + 2);
    EXPECT_EQ(label("Label12")->captionWrites(), minutesBefore + 2);
}

TEST_F(DetailsWindowTest, SettingTheClockStartsTheCountdownOnceAndLeavesARunningOneAlone) {
    form->setStopTime(AddMilliseconds(Noon(), 5000));
    form->setCurTime(Noon());
    ASSERT_TRUE(timer()->isActive());
    // A restart would push the next step a whole interval away again.
    QTest::qSleep(40);
    form->setCurTime(Noon());
    EXPECT_TRUE(timer()->isActive());
    EXPECT_LE(timer()->remainingTime(), 90);
    // The timer really drives the steps.
    EXPECT_TRUE(WaitUntil([&] { return text("Label13") != QStringLiteral("00"); }));
    EXPECT_EQ(text("Label11"), QStringLiteral("0"));
    EXPECT_EQ(text("Label12"), QStringLiteral("0"));
}

}  // namespace
}  // namespace details_test
