// Pointer enter and leave on the hover image control, driven through Qt's own pointer tracking
// on the offscreen platform: the pointer is moved (QCursor::setPos, which the platform turns
// into window-system enter, leave and move events) and Qt decides which control it is over.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QTest>

#include <string>
#include <vector>

#include "views/dx_image.h"

namespace {

struct Notice {
    std::string what;
    QObject* sender;
    bool operator==(const Notice&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Notice& n) {
    return out << n.what << "@" << static_cast<const void*>(n.sender);
}

QImage Flat(QRgb colour) {
    QImage picture(82, 29, QImage::Format_ARGB32);
    picture.fill(colour);
    return picture;
}

// A window holding two neighbouring buttons: left at (10, 10), right touching it at (92, 10).
class Hover : public testing::Test {
protected:
    void SetUp() override {
        m_window.resize(300, 120);
        m_left = new TDxImage(&m_window);
        m_right = new TDxImage(&m_window);
        m_left->setGeometry(10, 10, 82, 29);
        m_right->setGeometry(92, 10, 82, 29);
        for (TDxImage* button : {m_left, m_right}) {
            const std::string name = button == m_left ? "left" : "right";
            button->OnEnterEvent = [this, name](QObject* sender) {
                m_notices.push_back({"enter " + name, sender});
            };
            button->OnLeaveEvent = [this, name](QObject* sender) {
                m_notices.push_back({"leave " + name, sender});
            };
        }
        m_window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_window));
        PointAt(QPoint(250, 100));  // over the window, over neither button
        m_notices.clear();
    }
    void TearDown() override {
        // Leave the pointer outside every window, for the next test.
        QCursor::setPos(QPoint(5000, 5000));
        QApplication::processEvents();
    }

    void PointAt(QPoint inWindow) { QTest::mouseMove(&m_window, inWindow); }

    QWidget m_window;
    TDxImage* m_left = nullptr;
    TDxImage* m_right = nullptr;
    std::vector<Notice> m_notices;
};

TEST_F(Hover, EnterAndLeaveComeWithTheControlItselfAsSender) {
    PointAt(QPoint(40, 20));
    PointAt(QPoint(45, 25));  // moving within the control says nothing new
    PointAt(QPoint(250, 100));
    const std::vector<Notice> expected = {{"enter left", m_left}, {"leave left", m_left}};
    EXPECT_EQ(m_notices, expected);
}

TEST_F(Hover, MovingStraightToTheNeighbourLeavesTheFirstBeforeEnteringTheSecond) {
    PointAt(QPoint(85, 20));
    PointAt(QPoint(95, 20));
    PointAt(QPoint(85, 20));
    const std::vector<Notice> expected = {{"enter left", m_left},
                                          {"leave left", m_left},
                                          {"enter right", m_right},
                                          {"leave right", m_right},
                                          {"enter left", m_left}};
    EXPECT_EQ(m_notices, expected);
}

TEST_F(Hover, AControlHiddenUnderThePointerIsToldItWasLeft) {
    PointAt(QPoint(40, 20));
    m_left->hide();
    QApplication::processEvents();
    const std::vector<Notice> expected = {{"enter left", m_left}, {"leave left", m_left}};
    EXPECT_EQ(m_notices, expected);

    // Pointing at where it was tells it nothing while it is hidden.
    PointAt(QPoint(45, 22));
    EXPECT_EQ(m_notices, expected);
}

TEST_F(Hover, AButtonHiddenWhileHoveredShowsItsNormalPictureWhenShownAgain) {
    // The owner's way of using the control: it keeps both pictures and swaps them.
    const QImage normal = Flat(qRgb(255, 230, 80));
    const QImage hover = Flat(qRgb(255, 170, 0));
    m_left->setPicture(normal);
    m_left->OnEnterEvent = [&](QObject* sender) {
        static_cast<TImage*>(sender)->setPicture(hover);
    };
    m_left->OnLeaveEvent = [&](QObject* sender) {
        static_cast<TImage*>(sender)->setPicture(normal);
    };

    PointAt(QPoint(40, 20));
    EXPECT_EQ(m_left->picture(), hover);
    m_left->hide();  // the deal sold out while the pointer was on its button
    QApplication::processEvents();
    PointAt(QPoint(250, 100));
    m_left->show();
    QApplication::processEvents();
    EXPECT_EQ(m_left->picture(), normal);
}

TEST_F(Hover, WithoutHandlersEnteringAndLeavingChangeNothing) {
    m_left->OnEnterEvent = nullptr;
    m_left->OnLeaveEvent = nullptr;
    const QImage normal = Flat(qRgb(255, 230, 80));
    m_left->setPicture(normal);
    PointAt(QPoint(40, 20));
    PointAt(QPoint(95, 20));
    EXPECT_EQ(m_left->picture(), normal);
    const std::vector<Notice> expected = {{"enter right", m_right}};
    EXPECT_EQ(m_notices, expected);
}

TEST_F(Hover, AHandlerMayReplaceItselfWhileItRuns) {
    int replaced = 0;
    m_left->OnEnterEvent = [&](QObject*) { m_left->OnEnterEvent = [&](QObject*) { ++replaced; }; };
    PointAt(QPoint(40, 20));
    PointAt(QPoint(250, 100));
    PointAt(QPoint(40, 20));
    EXPECT_EQ(replaced, 1);
}

TEST_F(Hover, WhileAButtonIsHeldOnlyThePressedControlIsTold) {
    // Pressing and moving go through the window-system path, as a real pointer does, so that
    // Qt's implicit grab applies.
    QWindow* window = m_window.windowHandle();
    QTest::mouseMove(window, QPoint(40, 20));
    m_notices.clear();
    QTest::mousePress(window, Qt::LeftButton, {}, QPoint(40, 20));
    QTest::mouseMove(window, QPoint(95, 20));
    QTest::mouseMove(window, QPoint(120, 20));
    EXPECT_TRUE(std::find(m_notices.begin(), m_notices.end(), Notice{"enter right", m_right}) ==
                m_notices.end())
        << "the neighbour was entered while the button was held on the first control";
    QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(120, 20));
    QApplication::processEvents();
    ASSERT_FALSE(m_notices.empty());
    const std::vector<Notice> tail(
        m_notices.end() - 2 < m_notices.begin() ? m_notices.begin() : m_notices.end() - 2,
        m_notices.end());
    const std::vector<Notice> expected = {{"leave left", m_left}, {"enter right", m_right}};
    EXPECT_EQ(tail, expected);
}

}  // namespace
