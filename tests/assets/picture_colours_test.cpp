// The colours and texts of the artwork lie where the tile and the details window put their
// labels and buttons over them.

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRect>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <ostream>

#include "pictures/packaged_pictures.h"

namespace {

QImage Straight(const char* name) {
    return PackagedImage(QString::fromLatin1(name)).convertToFormat(QImage::Format_ARGB32);
}

int Distance(QRgb a, QRgb b) {
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                     std::abs(qBlue(a) - qBlue(b))});
}

QRgb Mix(QRgb a, QRgb b, double t) {
    auto lerp = [t](int x, int y) { return static_cast<int>(x + (y - x) * t + 0.5); };
    return qRgb(lerp(qRed(a), qRed(b)), lerp(qGreen(a), qGreen(b)), lerp(qBlue(a), qBlue(b)));
}

std::string Hex(QRgb c) {
    return QColor(c).name().toStdString();
}

struct Sample {
    const char* picture;
    int x;
    int y;
    QRgb colour;
    int tolerance;  // JPEG pictures get a few levels of slack
    const char* what;
};

void PrintTo(const Sample& s, std::ostream* out) {
    *out << s.picture << " (" << s.x << "," << s.y << ") " << s.what;
}

const Sample kSamples[] = {
    // In-stock tile background: the price row's band and the picture well.
    {"homebak", 126, 168, 0xF03413, 8, "band, top row"},
    {"homebak", 8, 168, 0xF03413, 8, "band, top row at the left"},
    {"homebak", 243, 168, 0xF03413, 8, "band, top row at the right"},
    {"homebak", 126, 189, 0xE03117, 8, "band, half way"},
    {"homebak", 126, 210, 0xD12D1B, 8, "band, bottom row"},
    {"homebak", 126, 140, 0xE8E8E8, 4, "grey well under the picture"},
    {"homebak", 20, 20, 0xE8E8E8, 4, "grey well, top left"},
    {"homebak", 0, 80, 0xCF8B87, 16, "frame, left"},
    {"homebak", 251, 80, 0xCF8B87, 16, "frame, right"},
    {"homebak", 126, 0, 0xCF8B87, 16, "frame, top"},
    // Sold-out tile background.
    {"homebak2", 20, 190, 0x9D9B9A, 6, "flat band"},
    {"homebak2", 120, 170, 0x9D9B9A, 6, "flat band, top"},
    {"homebak2", 126, 209, 0x9D9B9A, 6, "flat band, bottom"},
    {"homebak2", 0, 80, 0x9E9C98, 12, "frame, outer pixel"},
    {"homebak2", 1, 80, 0x9E9C98, 12, "frame, second pixel"},
    {"homebak2", 126, 1, 0x9E9C98, 12, "frame, top"},
    {"homebak2", 126, 140, 0xE8E8E8, 4, "grey well"},
    // In-stock details background (PNG: exact).
    {"itembak", 1, 1, 0xF23213, 0, "price band, top left"},
    {"itembak", 211, 47, 0xF23213, 0, "price band, bottom right"},
    {"itembak", 100, 24, 0xF23213, 0, "price band, under the price"},
    {"itembak", 0, 100, 0x666666, 0, "outer frame, left"},
    {"itembak", 529, 100, 0x666666, 0, "outer frame, right"},
    {"itembak", 265, 0, 0x666666, 0, "outer frame, top"},
    {"itembak", 265, 249, 0x666666, 0, "outer frame, bottom"},
    {"itembak", 100, 48, 0xFFFCFB, 0, "between band and panel"},
    {"itembak", 5, 80, 0xFFFCFB, 0, "left of the panel"},
    {"itembak", 100, 140, 0xFFFCFB, 0, "under the panel"},
    {"itembak", 50, 80, 0xFFF7AD, 0, "pale panel"},
    {"itembak", 200, 100, 0xFFF7AD, 0, "pale panel, lower right"},
    {"itembak", 212, 100, 0xF23213, 0, "picture frame, left"},
    {"itembak", 527, 100, 0xF23213, 0, "picture frame, right"},
    {"itembak", 370, 2, 0xF23213, 0, "picture frame, top"},
    {"itembak", 370, 212, 0xF23213, 0, "picture frame, bottom"},
    {"itembak", 230, 30, 0xE2E2E2, 0, "picture well"},
    {"itembak", 500, 200, 0xE2E2E2, 0, "picture well, lower right"},
    {"itembak", 370, 230, 0xFFFCFB, 0, "under the picture, behind the chat button"},
    // Sold-out details background.
    {"itembak2", 50, 20, 0x9E9C9A, 0, "grey band"},
    {"itembak2", 212, 100, 0x9E9C9A, 0, "grey picture frame"},
    {"itembak2", 370, 2, 0x9E9C9A, 0, "grey picture frame, top"},
    {"itembak2", 50, 80, 0xFFF7AD, 0, "pale panel"},
    {"itembak2", 230, 30, 0xE2E2E2, 0, "picture well"},
    {"itembak2", 0, 100, 0x666666, 0, "outer frame"},
    // Splash.
    {"splash", 0, 75, 0x343434, 12, "frame, left"},
    {"splash", 379, 75, 0x343434, 12, "frame, right"},
    {"splash", 190, 0, 0x343434, 12, "frame, top"},
    {"splash", 190, 149, 0x343434, 12, "frame, bottom"},
    {"splash", 300, 130, 0xFFFFFF, 3, "white ground"},
    {"splash", 60, 132, 0xFFFFFF, 3, "under the version label"},
};

class PictureColour : public ::testing::TestWithParam<Sample> {};

TEST_P(PictureColour, MatchesAtItsPlace) {
    const Sample& s = GetParam();
    const QImage image = Straight(s.picture);
    ASSERT_FALSE(image.isNull());
    const QRgb got = image.pixel(s.x, s.y);
    EXPECT_EQ(qAlpha(got), 255);
    EXPECT_LE(Distance(got, s.colour), s.tolerance)
        << "got " << Hex(got) << ", want " << Hex(s.colour);
}

INSTANTIATE_TEST_SUITE_P(Artwork, PictureColour, ::testing::ValuesIn(kSamples));

// Where a text's ink lies: the bounding box of the pixels that differ clearly from the ground.
std::optional<QRect> InkBounds(const QImage& image, const QRect& search, QRgb ground,
                               int threshold) {
    std::optional<QRect> box;
    for (int y = search.top(); y <= search.bottom(); ++y) {
        for (int x = search.left(); x <= search.right(); ++x) {
            if (Distance(image.pixel(x, y), ground) > threshold) {
                const QRect dot(x, y, 1, 1);
                box = box ? box->united(dot) : dot;
            }
        }
    }
    return box;
}

struct TextPlace {
    const char* picture;
    QRect search;  // the whole area the text could be in
    QRgb ground;
    int threshold;
    QRect ink;  // where its ink must lie, each edge within two pixels
    QRgb inkColour;
    int inkTolerance;
};

void PrintTo(const TextPlace& t, std::ostream* out) {
    *out << t.picture;
}

const TextPlace kTexts[] = {
    // "下载图片..." in the tile's grey well.
    {"homebak", QRect(QPoint(3, 3), QPoint(248, 165)), 0xE8E8E8, 10,
     QRect(QPoint(63, 78), QPoint(205, 102)), 0xCDCDCD, 10},
    {"homebak2", QRect(QPoint(4, 4), QPoint(247, 165)), 0xE8E8E8, 10,
     QRect(QPoint(63, 78), QPoint(205, 102)), 0xCDCDCD, 10},
    // "卖光了.." near the right end of the sold-out band, clear of the price.
    {"homebak2", QRect(QPoint(2, 170), QPoint(249, 209)), 0x9D9B9A, 30,
     QRect(QPoint(154, 179), QPoint(243, 199)), 0xFFFFFF, 8},
    // The splash title and the loading notice.
    {"splash", QRect(QPoint(3, 3), QPoint(376, 61)), 0xFFFFFF, 60,
     QRect(QPoint(39, 37), QPoint(127, 57)), 0x000000, 24},
    {"splash", QRect(QPoint(3, 70), QPoint(376, 146)), 0xFFFFFF, 40,
     QRect(QPoint(95, 82), QPoint(322, 104)), 0x8C8C8C, 24},
};

class TextPlacement : public ::testing::TestWithParam<TextPlace> {};

TEST_P(TextPlacement, InkWithinItsBox) {
    const TextPlace& t = GetParam();
    const QImage image = Straight(t.picture);
    const auto ink = InkBounds(image, t.search, t.ground, t.threshold);
    ASSERT_TRUE(ink.has_value()) << "no text found";
    EXPECT_NEAR(ink->left(), t.ink.left(), 2);
    EXPECT_NEAR(ink->top(), t.ink.top(), 2);
    EXPECT_NEAR(ink->right(), t.ink.right(), 2);
    EXPECT_NEAR(ink->bottom(), t.ink.bottom(), 2);
    int best = 255;
    for (int y = ink->top(); y <= ink->bottom(); ++y) {
        for (int x = ink->left(); x <= ink->right(); ++x) {
            best = std::min(best, Distance(image.pixel(x, y), t.inkColour));
        }
    }
    EXPECT_LE(best, t.inkTolerance) << "the text is not drawn in " << Hex(t.inkColour);
}

INSTANTIATE_TEST_SUITE_P(Artwork, TextPlacement, ::testing::ValuesIn(kTexts));

TEST(DetailsBackgrounds, SoldOutMarkSitsInTheBandClearOfThePrice) {
    const QImage image = Straight("itembak2");
    // The price label starts at 8 and is at most 129 wide; the mark must leave it readable.
    const auto ink = InkBounds(image, QRect(QPoint(1, 1), QPoint(210, 47)), 0x9E9C9A, 30);
    ASSERT_TRUE(ink.has_value());
    EXPECT_GE(ink->left(), 140);
    EXPECT_LE(ink->right(), 210);
    int brightest = 0;
    for (int y = ink->top(); y <= ink->bottom(); ++y) {
        for (int x = ink->left(); x <= ink->right(); ++x) {
            brightest = std::max(brightest, qGray(image.pixel(x, y)));
        }
    }
    EXPECT_GE(brightest, 250) << "the mark is not white";
    // The in-stock band carries no text at all: the price and the join button go there.
    EXPECT_FALSE(InkBounds(Straight("itembak"), QRect(QPoint(1, 1), QPoint(210, 47)), 0xF23213, 0));
}

TEST(DetailsBackgrounds, LoadingNoticeCentredInThePictureWell) {
    for (const char* name : {"itembak", "itembak2"}) {
        const QImage image = Straight(name);
        const QRect well(QPoint(214, 4), QPoint(525, 210));
        const auto ink = InkBounds(image, well, 0xE2E2E2, 10);
        ASSERT_TRUE(ink.has_value()) << name;
        EXPECT_NEAR(ink->center().x(), well.center().x(), 6) << name;
        EXPECT_NEAR(ink->center().y(), well.center().y(), 6) << name;
        EXPECT_GE(ink->width(), 100) << name;
    }
}

TEST(ShadeStrip, OneTranslucentColourBlendingToTheStatedGreys) {
    const QImage strip = PackagedImage(QStringLiteral("homebak1"));
    ASSERT_EQ(strip.size(), QSize(250, 25));
    const QImage straight = strip.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < straight.height(); ++y) {
        for (int x = 0; x < straight.width(); ++x) {
            ASSERT_EQ(straight.pixel(x, y), qRgba(117, 117, 116, 163)) << x << "," << y;
        }
    }
    struct Ground {
        QRgb under;
        QRgb want;
    };
    for (const Ground g : {Ground{0xFFFFFF, 0xA7A7A6}, Ground{0x000000, 0x4B4B4A}}) {
        QImage canvas(250, 25, QImage::Format_RGB32);
        canvas.fill(g.under);
        QPainter painter(&canvas);
        painter.drawImage(0, 0, strip);
        painter.end();
        EXPECT_LE(Distance(canvas.pixel(125, 12), g.want), 1)
            << "over " << Hex(g.under) << " got " << Hex(canvas.pixel(125, 12));
    }
}

struct ButtonLook {
    const char* picture;
    QRgb top;
    QRgb bottom;
    QRgb caption;
    int captionTolerance;
    bool softEdges;
};

void PrintTo(const ButtonLook& b, std::ostream* out) {
    *out << b.picture;
}

const ButtonLook kButtons[] = {
    {"but1", 0xFFF06A, 0xFFCF0A, 0x780C00, 12, false},
    {"but2", 0xFFDE25, 0xFFA801, 0x780C00, 12, false},
    {"c1", 0xFFEF65, 0xFFD30A, 0x6B0000, 24, false},
    {"c2", 0xFFDC23, 0xFFB000, 0x6B0000, 24, false},
    {"d1", 0x6BAEEF, 0x62A3ED, 0xFFFFFF, 6, true},
    {"d2", 0x5EA0EC, 0x3D85D9, 0xFFFFFF, 6, true},
};

class Button : public ::testing::TestWithParam<ButtonLook> {};

TEST_P(Button, TransparentCornersAndTopToBottomGradient) {
    const ButtonLook& b = GetParam();
    const QImage image = Straight(b.picture);
    const int w = image.width();
    const int h = image.height();
    for (const QPoint corner :
         {QPoint(0, 0), QPoint(w - 1, 0), QPoint(0, h - 1), QPoint(w - 1, h - 1)}) {
        EXPECT_EQ(qAlpha(image.pixel(corner)), 0) << corner.x() << "," << corner.y();
    }
    // Down a column left of the caption, clear of the rim.
    for (int y = 3; y <= h - 4; ++y) {
        const QRgb got = image.pixel(6, y);
        const QRgb want = Mix(b.top, b.bottom, (y + 0.5) / h);
        EXPECT_EQ(qAlpha(got), 255) << "row " << y;
        EXPECT_LE(Distance(got, want), 10)
            << "row " << y << " got " << Hex(got) << " want " << Hex(want);
    }
}

TEST_P(Button, CaptionInItsColour) {
    const ButtonLook& b = GetParam();
    const QImage image = Straight(b.picture);
    int best = 255;
    QPoint where;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const int d = Distance(image.pixel(x, y), b.caption);
            if (qAlpha(image.pixel(x, y)) == 255 && d < best) {
                best = d;
                where = QPoint(x, y);
            }
        }
    }
    EXPECT_LE(best, b.captionTolerance);
    // The caption sits in the middle, not against an edge.
    EXPECT_GT(where.x(), image.width() / 5);
    EXPECT_LT(where.x(), image.width() * 4 / 5);
}

TEST_P(Button, EdgesCarryTheButtonColourNotAWhiteFringe) {
    const ButtonLook& b = GetParam();
    const QImage image = Straight(b.picture);
    // A white fringe would show as a light pixel blended over the tile's red band or the
    // window's white; every partly transparent pixel must keep the button's own hue, so its
    // weakest channel stays near that of the gradient.
    const int weakest = std::min({qRed(b.top), qGreen(b.top), qBlue(b.top)});
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qAlpha(p) == 0 || qAlpha(p) == 255) {
                continue;
            }
            EXPECT_LE(std::min({qRed(p), qGreen(p), qBlue(p)}), weakest + 45)
                << x << "," << y << " " << Hex(p) << " alpha " << qAlpha(p);
        }
    }
    if (b.softEdges) {
        const int edge = qAlpha(image.pixel(image.width() / 2, 0));
        EXPECT_GT(edge, 40);
        EXPECT_LT(edge, 220);
        EXPECT_EQ(qAlpha(image.pixel(6, image.height() / 2)), 255);
    }
}

INSTANTIATE_TEST_SUITE_P(Artwork, Button, ::testing::ValuesIn(kButtons));

TEST(GoAndSeeButton, OverTheRedBandShowsTheBandThroughItsCorners) {
    const QImage band = PackagedImage(QStringLiteral("homebak")).copy(0, 168, 252, 43);
    QImage tile = band.convertToFormat(QImage::Format_RGB32);
    QPainter painter(&tile);
    painter.drawImage(164, 7, PackagedImage(QStringLiteral("but1")));
    painter.end();
    const QRgb under = band.pixel(164, 7);
    EXPECT_LE(Distance(tile.pixel(164, 7), under), 1) << "corner does not show the band";
    EXPECT_LE(Distance(tile.pixel(164 + 81, 7 + 28), band.pixel(164 + 81, 7 + 28)), 1);
    // Along the rounded corner the pixels run from band to button without going lighter than
    // the button's own top colour.
    for (int y = 7; y < 7 + 6; ++y) {
        for (int x = 164; x < 164 + 6; ++x) {
            EXPECT_LE(qBlue(tile.pixel(x, y)), qBlue(0xFFF06A) + 10) << x << "," << y;
        }
    }
}

TEST(ApplicationIcon, CrimsonRoundedSquareWithCreamGlyph) {
    const QImage icon = Straight("icon");
    ASSERT_EQ(icon.size(), QSize(48, 48));
    ASSERT_TRUE(PackagedImage(QStringLiteral("icon")).hasAlphaChannel());
    for (const QPoint corner : {QPoint(0, 0), QPoint(47, 0), QPoint(0, 47), QPoint(47, 47)}) {
        EXPECT_EQ(qAlpha(icon.pixel(corner)), 0);
    }
    for (const QPoint body : {QPoint(5, 24), QPoint(42, 24), QPoint(24, 5), QPoint(24, 43)}) {
        const QRgb p = icon.pixel(body);
        EXPECT_EQ(qAlpha(p), 255);
        EXPECT_GE(qRed(p), 0xA0) << Hex(p);
        EXPECT_LE(qGreen(p), 0x40) << Hex(p);
        EXPECT_LE(qBlue(p), 0x70) << Hex(p);
    }
    int cream = 0;
    for (int y = 8; y < 40; ++y) {
        for (int x = 8; x < 40; ++x) {
            cream = std::max(cream, 255 - Distance(icon.pixel(x, y), 0xFFF3D6));
        }
    }
    EXPECT_GE(cream, 250) << "no cream glyph";
}

}  // namespace
