// The wheel hook: one line of the grid per wheel message, by the sign of the message word,
// wherever the pointer is and whichever window of the program gets the wheel.
#include <QScrollBar>
#include <QStatusBar>
#include <QWheelEvent>
#include <QWindow>

#include "app/wheel_hook.h"
#include "window_fixture.h"

namespace {

// A wheel message as the windowing system hands it to a window of the program.
void Wheel(QWidget* topLevel, QPoint at, QPoint angle, Qt::KeyboardModifiers modifiers = {},
           Qt::MouseButtons buttons = {}, Qt::ScrollPhase phase = Qt::NoScrollPhase) {
    QWindow* window = topLevel->windowHandle();
    ASSERT_NE(window, nullptr);
    QWheelEvent event(QPointF(at), QPointF(topLevel->mapToGlobal(at)), QPoint(), angle, buttons,
                      modifiers, phase, false);
    QCoreApplication::sendEvent(window, &event);
}

void Wheel(QWidget* topLevel, QPoint at, int delta, Qt::KeyboardModifiers modifiers = {},
           Qt::MouseButtons buttons = {}) {
    Wheel(topLevel, at, QPoint(0, delta), modifiers, buttons);
}

class WheelCounter : public QWidget {
public:
    int wheels = 0;

protected:
    void wheelEvent(QWheelEvent* event) override {
        ++wheels;
        event->accept();
    }
};

struct WordCase {
    const char* label;
    int delta;
    Qt::KeyboardModifiers modifiers;
    Qt::MouseButtons buttons;
    int32_t word;
};

TEST(WheelWord, DeltaHighFlagsLow) {
    const WordCase cases[] = {
        {"notch away", 120, {}, {}, 120 << 16},
        {"notch toward", -120, {}, {}, static_cast<int32_t>(0xFF880000u)},
        {"zero, nothing held", 0, {}, {}, 0},
        {"zero, shift", 0, Qt::ShiftModifier, {}, kWheelShift},
        {"zero, control", 0, Qt::ControlModifier, {}, kWheelControl},
        {"zero, left button", 0, {}, Qt::LeftButton, kWheelLeftButton},
        {"zero, right and middle",
         0,
         {},
         Qt::RightButton | Qt::MiddleButton,
         kWheelRightButton | kWheelMiddleButton},
        {"zero, extra buttons",
         0,
         {},
         Qt::XButton1 | Qt::XButton2,
         kWheelXButton1 | kWheelXButton2},
        {"alt is no flag", 0, Qt::AltModifier, {}, 0},
        {"toward with control",
         -120,
         Qt::ControlModifier,
         {},
         static_cast<int32_t>(0xFF880000u | kWheelControl)},
        {"fine delta", 1, {}, {}, 1 << 16},
        {"largest delta", 32767, {}, {}, 32767 << 16},
        {"delta beyond 16 bits keeps its sign", 40000, {}, {}, 32767 << 16},
        {"negative beyond 16 bits", -40000, {}, {}, static_cast<int32_t>(0x80000000u)},
    };
    for (const WordCase& c : cases) {
        QWheelEvent event(QPointF(1, 1), QPointF(1, 1), QPoint(), QPoint(0, c.delta), c.buttons,
                          c.modifiers, Qt::NoScrollPhase, false);
        EXPECT_EQ(WheelMessageWord(event), c.word) << c.label;
    }
}

class WheelScroll : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        serveFeed(FeedDocumentText(NumberedDeals(7)));
        open(true);
        bar = window->ScrollBox1->verticalScrollBar();
        ASSERT_EQ(bar->maximum() + bar->pageStep(), 795);
        ASSERT_GT(bar->maximum(), 100);
    }
    QScrollBar* bar = nullptr;
};

struct DirectionCase {
    const char* label;
    int delta;
    Qt::KeyboardModifiers modifiers;
    Qt::MouseButtons buttons;
    int move;  // pixels the grid moves from the middle
};

TEST_F(WheelScroll, OneMessageOneLineBySign) {
    const DirectionCase cases[] = {
        {"away scrolls up", 120, {}, {}, -8},
        {"toward scrolls down", -120, {}, {}, 8},
        {"big delta is still one line", 960, {}, {}, -8},
        {"tiny delta is still one line", -1, {}, {}, 8},
        {"toward with control scrolls down", -120, Qt::ControlModifier, {}, 8},
    };
    for (const DirectionCase& c : cases) {
        bar->setValue(80);
        Wheel(window.get(), QPoint(400, 100), c.delta, c.modifiers, c.buttons);
        EXPECT_EQ(bar->value(), 80 + c.move) << c.label;
    }
}

TEST_F(WheelScroll, StopsAtTopAndBottom) {
    bar->setValue(0);
    Wheel(window.get(), QPoint(400, 100), 120);
    EXPECT_EQ(bar->value(), 0);
    bar->setValue(4);
    Wheel(window.get(), QPoint(400, 100), 120);
    EXPECT_EQ(bar->value(), 0) << "a part line up to the top";
    bar->setValue(bar->maximum());
    Wheel(window.get(), QPoint(400, 100), -120);
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST_F(WheelScroll, EachMessageOfANotchScrollsOneLine) {
    bar->setValue(0);
    for (int i = 0; i < 3; ++i)
        Wheel(window.get(), QPoint(400, 100), -40);
    EXPECT_EQ(bar->value(), 24);
}

TEST_F(WheelScroll, WhereverThePointerIs) {
    const struct {
        const char* label;
        QPoint at;
    } places[] = {
        {"over a tile's picture", QPoint(100, 120)}, {"over a tile's title", QPoint(300, 25)},
        {"over the status bar", QPoint(400, 540)},   {"over the scroll bar", QPoint(812, 200)},
        {"over the empty grid", QPoint(700, 520)},
    };
    for (const auto& p : places) {
        bar->setValue(40);
        Wheel(window.get(), p.at, -120);
        EXPECT_EQ(bar->value(), 48) << p.label;
        Wheel(window.get(), p.at, 120);
        EXPECT_EQ(bar->value(), 40) << p.label;
    }
}

// A touchpad scroll arrives as a begin without distance, updates, and an end without distance;
// only the updates move the grid, one line each, whatever keys or buttons are held.
TEST_F(WheelScroll, EventsWithoutDistanceDoNotScroll) {
    const struct {
        const char* label;
        int delta;
        Qt::ScrollPhase phase;
        Qt::KeyboardModifiers modifiers;
        Qt::MouseButtons buttons;
        int move;
    } cases[] = {
        {"gesture begins", 0, Qt::ScrollBegin, {}, {}, 0},
        {"gesture moves toward the user", -15, Qt::ScrollUpdate, {}, {}, 8},
        {"gesture moves away", 15, Qt::ScrollUpdate, {}, {}, -8},
        {"gesture ends", 0, Qt::ScrollEnd, {}, {}, 0},
        {"momentum ends", 0, Qt::ScrollMomentum, {}, {}, 0},
        {"no phase, no distance", 0, Qt::NoScrollPhase, {}, {}, 0},
        {"no distance with shift held", 0, Qt::ScrollEnd, Qt::ShiftModifier, {}, 0},
        {"no distance with a button held", 0, Qt::ScrollBegin, {}, Qt::LeftButton, 0},
    };
    for (const auto& c : cases) {
        bar->setValue(80);
        Wheel(window.get(), QPoint(400, 100), QPoint(0, c.delta), c.modifiers, c.buttons, c.phase);
        EXPECT_EQ(bar->value(), 80 + c.move) << c.label;
    }
}

TEST_F(WheelScroll, SidewaysTiltIsAnotherMessage) {
    bar->setValue(40);
    Wheel(window.get(), QPoint(400, 100), QPoint(120, 0));
    EXPECT_EQ(bar->value(), 40);
}

TEST_F(WheelScroll, OtherWindowScrollsTheGridAndStillGetsItsWheel) {
    WheelCounter other;
    other.resize(200, 100);
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    bar->setValue(40);
    Wheel(&other, QPoint(50, 50), -120);
    EXPECT_EQ(bar->value(), 48);
    EXPECT_EQ(other.wheels, 1) << "the hook leaves the message to its window";
}

TEST_F(WheelScroll, HookGoesWithTheWindow) {
    WheelCounter other;
    other.resize(200, 100);
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&other));
    window.reset();
    Wheel(&other, QPoint(50, 50), -120);  // must not reach the destroyed window
    EXPECT_EQ(other.wheels, 1);
}

TEST_F(WheelScroll, MessagesSentToWidgetsAreNotNewWheelMessages) {
    // A widget handing a wheel on (as a scroll area does to its scroll bar) sends it straight to
    // another widget; that is the same message, not a second one.
    bar->setValue(40);
    QWheelEvent event(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, -120), {}, {},
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(window->tiles()[0], &event);
    EXPECT_EQ(bar->value(), 40);
}

}  // namespace
