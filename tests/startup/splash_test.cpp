// The splash window's layout and its version line.
#include <gtest/gtest.h>

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
        EXPECT_GT(label.width(), previousWidth) << text << ": did not grow";
        previousWidth = label.width();
    }
}

TEST(Splash, PaintsAtOnceWhenShown) {
    TfrmLoad splash;
    splash.show();
    splash.setVersionText(QStringLiteral("V:3.0.0.0"));
    splash.paintNow();
    EXPECT_TRUE(splash.isVisible());
    const QImage shown = splash.grab().toImage();
    // Some pixel of the label's box is dark: the text was drawn.
    bool ink = false;
    const QRect label = splash.Label1->geometry();
    for (int y = label.top(); y <= label.bottom() && !ink; ++y)
        for (int x = label.left(); x <= label.right() && !ink; ++x)
            ink = qGray(shown.pixel(x, y)) < 100;
    EXPECT_TRUE(ink);
}

}  // namespace
