// Every laid-out text fits its box with the widest value it can plausibly show, measured with the
// label's real font; and a rendered window shows no ink on its boxes' edges.
#include <QFontMetrics>

#include "deals/deal_clock.h"
#include "details_support.h"

namespace details_test {
namespace {

struct BoxFit {
    const char* label;
    const char* widest;
};

// Amounts up to ￥9999.99, discounts up to 10.0, up to 999 hours, the longest stock message.
const BoxFit kBoxFits[] = {
    {"Label1", "原价"},
    {"Label2", "折扣"},
    {"Label3", "节省"},
    {"Label4", "￥9999.99"},
    {"Label5", "10.0"},
    {"Label6", "￥9999.99"},
    {"Label9", "数量有限,赶快下单吧!"},
    {"Label9", "已经卖光啦,下次早点来吧!"},
    {"Label11", "999"},
    {"Label12", "59"},
    {"Label13", "59.9"},
};

TEST_F(DetailsWindowTest, WidestPlausibleTextFitsEveryFixedBoxWithAPixelToSpare) {
    for (const BoxFit& fit : kBoxFits) {
        SCOPED_TRACE(std::string(fit.label) + " " + fit.widest);
        TLabel* shown = label(fit.label);
        ASSERT_NE(shown, nullptr);
        ASSERT_FALSE(shown->autoSize());
        const QFontMetrics metrics(shown->font());
        EXPECT_LE(metrics.horizontalAdvance(QString::fromUtf8(fit.widest)), shown->width() - 1);
    }
}

TEST_F(DetailsWindowTest, PriceAndBuyersEndBeforeWhatFollowsThem) {
    form->setPrice(9999.99);
    const QFontMetrics price(label("LabelPrice")->font());
    EXPECT_LT(label("LabelPrice")->x() + price.horizontalAdvance(text("LabelPrice")),
              button("ImageJoin")->x())
        << "the deal price runs into the join button";
    // The count's left edge is fixed by its length (12 px a digit); the digits must end before
    // "人已购买".
    for (int32_t count : {9, 99, 999, 9999, 99999}) {
        SCOPED_TRACE(count);
        form->setSales_Num(count);
        const QFontMetrics buyers(label("Label7")->font());
        EXPECT_LT(label("Label7")->x() + buyers.horizontalAdvance(text("Label7")),
                  label("Label8")->x());
    }
}

TEST_F(DetailsWindowTest, TitleBoxHoldsTwoWholeLinesOfTheTitleFont) {
    TMemo* title = memo();
    const QRect area = title->textArea();
    EXPECT_GE(area.height(), 2 * title->lineHeight()) << "room for two lines";
    EXPECT_LT(area.height(), 3 * title->lineHeight()) << "and not for a third";
    EXPECT_LE(title->lineHeight(), 27 + 3) << "a line height near the font size";
    // Every line's ink lies inside its own line, ideographs and Latin descenders alike.
    const QFontMetrics metrics(title->font());
    const QRect ink =
        metrics.tightBoundingRect(QString::fromUtf8("新疆阿克苏冰糖心苹果 限时团购 gjpqy"));
    EXPECT_GE(title->baseline() + ink.top(), 0);
    EXPECT_LT(title->baseline() + ink.bottom(), title->lineHeight());

    form->setTitle(std::string(60, 'x'));
    EXPECT_GE(title->lineCount(), 2);
    EXPECT_EQ(title->visibleLineCount(), 2);
}

// Where a label's text has ink on the outermost pixels of its box, the text has been cut there.
// The window is grabbed with and without the texts; a pixel that differs is ink.
class RenderedFit : public DetailsWindowTest {
protected:
    void Fill() {
        form->setStopTime(AddMilliseconds(Noon(), ((123 * 60 + 59) * 60 + 59) * 1000 + 950));
        form->setCurTime(Noon());
        form->Timer1Timer();  // 123 h 59 min 59.9 s
        form->setPrice(8888.88);
        form->setSPrice(9999.99);
        form->setSales_Num(8888);
        form->setStock(0);
        form->setTitle(
            "冬季加厚羽绒服男女同款中长款连帽外套 韩版宽松保暖面包服 限时团购包邮送礼盒装");
        form->setNick("旗舰店");
    }
    QImage Grab() { return form->grab().toImage(); }

    // The rows and columns of the box's edges where the two pictures differ.
    // A left-aligned text starts on the box's left edge by design, so that edge is skipped then.
    static std::string InkOnEdges(const QImage& with, const QImage& without, const QRect& box,
                                  bool rows, bool leftEdge = true) {
        QStringList found;
        auto differs = [&](int x, int y) { return with.pixel(x, y) != without.pixel(x, y); };
        for (int y = box.top(); y <= box.bottom(); ++y) {
            if ((leftEdge && differs(box.left(), y)) || differs(box.right(), y))
                found << QStringLiteral("column at row %1").arg(y);
        }
        for (int x = box.left(); rows && x <= box.right(); ++x) {
            if (differs(x, box.top()) || differs(x, box.bottom()))
                found << QStringLiteral("row at column %1").arg(x);
        }
        return found.join(QStringLiteral(", ")).toStdString();
    }
};

TEST_F(RenderedFit, FourDigitAmountsAndATwoLineTitleLeaveEveryBoxEdgeClear) {
    Fill();
    form->show();
    ASSERT_EQ(text("Label4"), QString::fromUtf8("￥9999.99"));
    ASSERT_EQ(text("Label6"), QString::fromUtf8("￥1111.11"));
    ASSERT_EQ(text("Label11"), QStringLiteral("123"));
    ASSERT_EQ(text("Label13"), QStringLiteral("59.9"));
    const QImage with = Grab();
    // Label9's 16-px ideographs fill its 16-px height by design; only its sides can show a cut.
    const char* const boxes[] = {"Label1", "Label2", "Label3",  "Label4",  "Label5",
                                 "Label6", "Label9", "Label11", "Label12", "Label13"};
    for (const char* name : boxes) {
        SCOPED_TRACE(name);
        TLabel* shown = label(name);
        const QString kept = shown->caption();
        shown->setCaption(QString());
        const QImage without = Grab();
        shown->setCaption(kept);
        EXPECT_NE(with.copy(shown->geometry()), without.copy(shown->geometry())) << "no text drawn";
        const bool rows = std::string(name) != "Label9";
        const bool leftEdge = shown->alignment() & Qt::AlignHCenter;
        EXPECT_EQ(InkOnEdges(with, without, shown->geometry(), rows, leftEdge), "");
    }

    // The title: ink in both lines, none on the row and columns just inside the frame.
    TMemo* title = memo();
    const std::string kept = form->Title();
    form->setTitle("");
    const QImage without = Grab();
    form->setTitle(kept);
    const QRect inside = title->geometry().adjusted(1, 1, -1, -1);
    EXPECT_EQ(InkOnEdges(with, without, inside, true), "");
    const int secondLineTop = title->y() + title->textArea().top() + title->lineHeight();
    const QRect secondLine(inside.left(), secondLineTop, inside.width(), title->lineHeight());
    EXPECT_NE(with.copy(secondLine), without.copy(secondLine)) << "the second line is drawn";
}

}  // namespace
}  // namespace details_test
