// The splash window's layout and its version line.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QGuiApplication>
#include <QScreen>

#include "app/frm_load.h"
#include "views/label.h"
#include "views/picture_box.h"

namespace {

TEST(Splash, IsABorderlessPictureWindowCentredOnTheScreen) {
    TfrmLoad splash;
    EXPECT_EQ(splash.size(), QSize(380, 150));
    EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(splash.isWindow());
    EXPECT_EQ(splash.windowTitle(), QStringLiteral("frmLoad"));
    EXPECT_EQ(splash.objectName(), QStringLiteral("frmLoad"));

    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(splash.geometry().center().x(), screen.center().x()) << "centred across";
    EXPECT_LE(std::abs(splash.geometry().center().y() - screen.center().y()), 1) << "and down";

    ASSERT_NE(splash.Image1, nullptr);
    EXPECT_EQ(splash.Image1->objectName(), QStringLiteral("Image1"));
    EXPECT_EQ(splash.Image1->geometry(), QRect(0, 0, 380, 150));
    EXPECT_EQ(splash.Image1->picture().size(), QSize(380, 150)) << "the splash artwork";

    ASSERT_NE(splash.Label1, nullptr);
    EXPECT_EQ(splash.Label1->objectName(), QStringLiteral("Label1"));
    EXPECT_EQ(splash.Label1->pos(), QPoint(24, 120));
    EXPECT_EQ(splash.Label1->font().pixelSize(), 13);
    EXPECT_FALSE(splash.Label1->font().bold());
    EXPECT_FALSE(splash.Label1->autoFillBackground()) << "the artwork shows around the text";
}

TEST(Splash, VersionLineGrowsToTheRightAndIsNeverClipped) {
    TfrmLoad splash;
    int previousWidth = -1;
    for (const char* text : {"V:", "V:4", "V:3.0.0.0", "V:9999999", "V:WWWWWWW"}) {
        splash.setVersionText(QString::fromLatin1(text));
        const QRect label = splash.Label1->geometry();
        EXPECT_EQ(splash.versionText(), QString::fromLatin1(text));
        EXPECT_EQ(splash.Label1->accessibleName(), QString::fromLatin1(text));
        EXPECT_EQ(label.topLeft(), QPoint(24, 120)) << text;
        EXPECT_GE(label.width(), splash.Label1->sizeHint().width()) << text << ": clipped";
        EXPECT_LE(label.right(), 379) << text << ": beyond the window";
        EXPECT_LT(
            24 + QFontMetrics(splash.Label1->font()).horizontalAdvance(QString::fromLatin1(text)),
            380)
            << text << ": measured in the label's font";
        EXPECT_LE(label.bottom(), 149) << text << ": below the window";
        EXPECT_GT(label.width(), previousWidth) << text << ": did not grow";
        previousWidth = label.width();
    }
}

// What the window system holds for the window, read without letting any event run: on the
// offscreen platform that is the window's flushed backing store.
QImage OnScreen(const QWidget& window) {
    return window.screen()
        ->grabWindow(window.winId())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

bool InkIn(const QImage& shown, const QRect& box) {
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            if (x < shown.width() && y < shown.height() && qGray(shown.pixel(x, y)) < 100)
                return true;
    return false;
}

TEST(Splash, PaintsAtOnceWhenShown) {
    TfrmLoad splash;
    splash.show();
    splash.setVersionText(QStringLiteral("V:3.0.0.0"));
    // What the window should look like, painted from scratch.
    const QImage wanted = splash.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRect line(24, 120, 120, 18);
    ASSERT_TRUE(InkIn(wanted, line));
    // No event has run since the text changed: the screen still shows the text of before.
    EXPECT_NE(OnScreen(splash).copy(line), wanted.copy(line));
    splash.paintNow();
    EXPECT_TRUE(splash.isVisible());
    EXPECT_EQ(OnScreen(splash), wanted) << "the version text and the artwork are on screen";
}

}  // namespace
