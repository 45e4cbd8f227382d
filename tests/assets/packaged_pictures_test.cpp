// Every packaged picture is found whatever the letter case of its name, has the container,
// channel layout and size its users are built for, and decodes once.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSet>
#include <QStringList>

#include <cmath>
#include <ostream>

#include "container_headers.h"
#include "pictures/packaged_pictures.h"

namespace {

enum class Kind { Jpeg, Png, PngInterlaced, Gif };

struct PictureRow {
    const char* lookup;  // as a caller might spell it
    const char* stored;  // the resource name
    Kind kind;
    int width;
    int height;
};

void PrintTo(const PictureRow& row, std::ostream* out) {
    *out << row.lookup;
}

const PictureRow kPictures[] = {
    {"homebak", "HOMEBAK", Kind::Jpeg, 252, 211},
    {"HomeBak2", "HOMEBAK2", Kind::Jpeg, 252, 211},
    {"homeBAK1", "HOMEBAK1", Kind::PngInterlaced, 250, 25},
    {"But1", "BUT1", Kind::PngInterlaced, 82, 29},
    {"bUT2", "BUT2", Kind::PngInterlaced, 82, 29},
    {"c1", "C1", Kind::Png, 63, 31},
    {"C2", "C2", Kind::Png, 63, 31},
    {"d1", "D1", Kind::Png, 57, 21},
    {"D2", "D2", Kind::Png, 57, 21},
    {"ItemBak", "ITEMBAK", Kind::Png, 530, 250},
    {"itemBAK2", "ITEMBAK2", Kind::Png, 530, 250},
    {"Splash", "SPLASH", Kind::Jpeg, 380, 150},
    {"frmItem_Back", "FRMITEM_BACK", Kind::Png, 530, 250},
    {"Chat", "CHAT", Kind::Gif, 77, 19},
    {"icon", "ICON", Kind::Png, 48, 48},
};

class PackagedPicture : public ::testing::TestWithParam<PictureRow> {};

TEST_P(PackagedPicture, FoundInAnyLetterCase) {
    const PictureRow& row = GetParam();
    const QByteArray bytes = PackagedPictureBytes(QString::fromLatin1(row.lookup));
    ASSERT_FALSE(bytes.isEmpty()) << row.lookup;
    const QString stored = QString::fromLatin1(row.stored);
    EXPECT_EQ(PackagedPictureBytes(stored), bytes);
    EXPECT_EQ(PackagedPictureBytes(stored.toLower()), bytes);
    // The bytes are the resource file itself, not a copy that could drift.
    QFile file(QStringLiteral(":/myimage/") + stored);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), bytes);
}

void ExpectContainer(const QByteArray& bytes, Kind kind, int width, int height) {
    switch (kind) {
        case Kind::Jpeg: {
            const auto frame = ReadJpegFrameHeader(bytes);
            ASSERT_TRUE(frame.has_value()) << "no JPEG frame header";
            EXPECT_EQ(frame->marker, 0xC0) << "not baseline";
            EXPECT_EQ(frame->precision, 8);
            EXPECT_EQ(frame->components, 3);
            EXPECT_EQ(frame->width, width);
            EXPECT_EQ(frame->height, height);
            break;
        }
        case Kind::Png:
        case Kind::PngInterlaced: {
            const auto header = ReadPngHeader(bytes);
            ASSERT_TRUE(header.has_value()) << "no PNG header";
            EXPECT_EQ(header->colourType, 6) << "not RGBA";
            EXPECT_EQ(header->bitDepth, 8);
            EXPECT_EQ(header->interlace, kind == Kind::PngInterlaced ? 1 : 0);
            EXPECT_EQ(header->width, width);
            EXPECT_EQ(header->height, height);
            break;
        }
        case Kind::Gif: {
            const auto gif = ReadGifInfo(bytes);
            ASSERT_TRUE(gif.has_value()) << "GIF blocks do not parse";
            EXPECT_EQ(gif->version, "89a");
            EXPECT_EQ(gif->width, width);
            EXPECT_EQ(gif->height, height);
            break;
        }
    }
}

TEST_P(PackagedPicture, ContainerAsItsUsersExpect) {
    const PictureRow& row = GetParam();
    ExpectContainer(PackagedPictureBytes(QString::fromLatin1(row.lookup)), row.kind, row.width,
                    row.height);
}

// Screens with a device pixel ratio of 2 get copies drawn at twice the pixels each way, in the
// same container, found by the same lookup.
TEST_P(PackagedPicture, DoubleSizeCopyInTheSameContainer) {
    const PictureRow& row = GetParam();
    const QByteArray bytes = PackagedPictureBytes(QString::fromLatin1(row.lookup) + "@2x");
    ASSERT_FALSE(bytes.isEmpty());
    ExpectContainer(bytes, row.kind, 2 * row.width, 2 * row.height);
}

TEST_P(PackagedPicture, DecodesToItsSizeOncePerProcess) {
    const PictureRow& row = GetParam();
    const QImage first = PackagedImage(QString::fromLatin1(row.lookup));
    ASSERT_FALSE(first.isNull());
    EXPECT_EQ(first.size(), QSize(row.width, row.height));
    if (row.kind == Kind::Png || row.kind == Kind::PngInterlaced) {
        EXPECT_TRUE(first.hasAlphaChannel());
    }
    // Another spelling reaches the same decoded pixels, not a second decode.
    const QImage again = PackagedImage(QString::fromLatin1(row.stored).toLower());
    EXPECT_EQ(again.cacheKey(), first.cacheKey());
    EXPECT_EQ(again.constBits(), first.constBits());
}

// On a screen of device pixel ratio 2 the lookup hands out the 2x copy, decoded by the same
// decoder, marked with ratio 2 so that it lays out at the 1x size, and showing the same picture.
TEST_P(PackagedPicture, DoubleDensityScreensGetTheDoubleSizeCopyAtTheSameLayoutSize) {
    const PictureRow& row = GetParam();
    const QImage one = PackagedImage(QString::fromLatin1(row.lookup), 1.0);
    ASSERT_FALSE(one.isNull());
    EXPECT_EQ(one.devicePixelRatio(), 1.0);
    for (const qreal screen : {1.0, 1.25}) {
        EXPECT_EQ(PackagedImage(QString::fromLatin1(row.lookup), screen).cacheKey(), one.cacheKey())
            << screen;
    }
    for (const qreal screen : {1.5, 2.0, 3.0}) {
        SCOPED_TRACE(screen);
        const QImage two = PackagedImage(QString::fromLatin1(row.lookup), screen);
        ASSERT_FALSE(two.isNull());
        EXPECT_EQ(two.size(), QSize(2 * row.width, 2 * row.height));
        EXPECT_EQ(two.devicePixelRatio(), 2.0);
        EXPECT_EQ(two.deviceIndependentSize(), QSizeF(row.width, row.height));
        EXPECT_EQ(two.format(), one.format());
        EXPECT_EQ(two.hasAlphaChannel(), one.hasAlphaChannel());
    }
    // Halved, the 2x copy is the 1x picture up to the finer edges of shapes and texts (compared
    // premultiplied, as drawn: the colour of a transparent pixel is never seen).
    const QImage halved =
        PackagedImage(QString::fromLatin1(row.lookup), 2.0)
            .scaled(row.width, row.height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
            .convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage plain = one.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    double difference = 0;
    for (int y = 0; y < row.height; ++y) {
        const auto* halvedRow = reinterpret_cast<const QRgb*>(halved.constScanLine(y));
        const auto* plainRow = reinterpret_cast<const QRgb*>(plain.constScanLine(y));
        for (int x = 0; x < row.width; ++x) {
            const QRgb a = halvedRow[x];
            const QRgb b = plainRow[x];
            difference += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                          std::abs(qBlue(a) - qBlue(b)) + std::abs(qAlpha(a) - qAlpha(b));
        }
    }
    // A wrong picture differs by tens; the badge's one-bit transparency makes its halved edges
    // the furthest off (about 6).
    EXPECT_LT(difference / (4.0 * row.width * row.height), 8.0) << "mean difference per channel";
}

INSTANTIATE_TEST_SUITE_P(AllPictures, PackagedPicture, ::testing::ValuesIn(kPictures));

TEST(PackagedPictures, ResourceFolderHoldsExactlyThePicturesAndTheirDoubleSizeCopies) {
    QSet<QString> expected;
    for (const PictureRow& row : kPictures) {
        expected.insert(QString::fromLatin1(row.stored));
        expected.insert(QString::fromLatin1(row.stored) + QStringLiteral("@2X"));
    }
    const QStringList entries = QDir(QStringLiteral(":/myimage")).entryList(QDir::Files);
    EXPECT_EQ(QSet<QString>(entries.begin(), entries.end()), expected);
}

TEST(PackagedPictures, UnknownNamesYieldNothing) {
    const char* const names[] = {
        "",         "homebak3", "homebak.jpg", "myimage/homebak", ":/myimage/HOMEBAK",
        " homebak", "homebak "};
    for (const char* name : names) {
        EXPECT_TRUE(PackagedPictureBytes(QString::fromLatin1(name)).isEmpty()) << name;
        EXPECT_TRUE(PackagedImage(QString::fromLatin1(name)).isNull()) << name;
    }
}

TEST(PackagedPictures, InitialDetailsBackgroundIsItembakByteForByte) {
    const QByteArray itembak = PackagedPictureBytes(QStringLiteral("itembak"));
    ASSERT_FALSE(itembak.isEmpty());
    EXPECT_EQ(PackagedPictureBytes(QStringLiteral("frmitem_back")), itembak);
}

TEST(PackagedPictures, DesktopIconIsTheApplicationIcon) {
    QFile desktopIcon(QStringLiteral(ZORVIA_SOURCE_DIR "/assets/icons/zorvia-48.png"));
    ASSERT_TRUE(desktopIcon.open(QIODevice::ReadOnly));
    EXPECT_EQ(desktopIcon.readAll(), PackagedPictureBytes(QStringLiteral("icon")));
}

}  // namespace
