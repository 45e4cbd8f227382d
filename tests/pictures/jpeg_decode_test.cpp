// Decoding through libjpeg: good files of every colour layout, and every way a file can be
// bad, each of which must raise "JPEG error #<code>" with the library's own code.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>

#include <cstdio>
#include <cstdlib>
#include <functional>

#include <jerror.h>
#include <jpeglib.h>

#include "jpeg_fixtures.h"
#include "pictures/jpeg_image.h"

namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 48;

int Distance(QRgb a, QRgb b) {
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                     std::abs(qBlue(a) - qBlue(b))});
}

// Writes new dimensions into the first baseline frame header.
QByteArray WithClaimedSize(QByteArray jpeg, int width, int height) {
    for (qsizetype i = 2; i + 8 < jpeg.size(); ++i) {
        if (static_cast<uchar>(jpeg[i]) == 0xFF && static_cast<uchar>(jpeg[i + 1]) == 0xC0) {
            jpeg[i + 5] = static_cast<char>(height >> 8);
            jpeg[i + 6] = static_cast<char>(height & 0xFF);
            jpeg[i + 7] = static_cast<char>(width >> 8);
            jpeg[i + 8] = static_cast<char>(width & 0xFF);
            return jpeg;
        }
    }
    ADD_FAILURE() << "no frame header";
    return jpeg;
}

struct GoodCase {
    const char* name;
    std::function<QByteArray()> bytes;
    bool gray;
};

void PrintTo(const GoodCase& c, std::ostream* out) {
    *out << c.name;
}

class GoodJpeg : public testing::TestWithParam<GoodCase> {};

TEST_P(GoodJpeg, DecodesToOpaqueRgb32WithTheQuadrantColours) {
    const GoodCase& c = GetParam();
    const QImage picture = TJPEGImage::Decode(c.bytes());
    ASSERT_EQ(picture.size(), QSize(kWidth, kHeight));
    EXPECT_EQ(picture.format(), QImage::Format_RGB32);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            ASSERT_EQ(qAlpha(picture.pixel(x, y)), 255) << x << "," << y;

    const QPoint centres[] = {{kWidth / 4, kHeight / 8},
                              {3 * kWidth / 4, kHeight / 8},
                              {kWidth / 4, 5 * kHeight / 8},
                              {3 * kWidth / 4, 5 * kHeight / 8}};
    for (const QPoint& p : centres) {
        QRgb expected = QuadrantColour(kWidth, kHeight, p.x(), p.y());
        if (c.gray)
            expected = qRgb(qGray(expected), qGray(expected), qGray(expected));
        const QRgb got = picture.pixel(p);
        EXPECT_LE(Distance(got, expected), 12) << "at " << p.x() << "," << p.y() << " got "
                                               << std::hex << got << " expected " << expected;
        if (c.gray) {
            EXPECT_TRUE(qRed(got) == qGreen(got) && qGreen(got) == qBlue(got));
        }
    }
}

QByteArray Make(JpegKind kind) {
    return EncodeJpeg(QuadrantPicture(kWidth, kHeight), kind);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, GoodJpeg,
    testing::Values(
        GoodCase{"baseline", [] { return Make(JpegKind::Baseline); }, false},
        GoodCase{"progressive", [] { return Make(JpegKind::Progressive); }, false},
        GoodCase{"grayscale", [] { return Make(JpegKind::Grayscale); }, true},
        GoodCase{"adobe_cmyk", [] { return Make(JpegKind::AdobeCmyk); }, false},
        // Bytes after the end marker are never read.
        GoodCase{"trailing_bytes",
                 [] { return Make(JpegKind::Baseline) + QByteArray("<html>junk</html>"); }, false},
        // Stray bytes before a marker only make the library warn; the picture is whole.
        GoodCase{"stray_bytes_before_a_marker",
                 [] {
                     QByteArray jpeg = Make(JpegKind::Baseline);
                     return jpeg.insert(2, QByteArray("\x00\x11\x22", 3));
                 },
                 false}),
    [](const testing::TestParamInfo<GoodCase>& info) { return std::string(info.param.name); });

TEST(JpegDecode, ProgressiveFixtureReallyHasSeveralScans) {
    // Guards the table above: a progressive row that silently made a baseline file would
    // test nothing. SOF2 marks a progressive frame.
    const QByteArray progressive = Make(JpegKind::Progressive);
    const QByteArray baseline = Make(JpegKind::Baseline);
    EXPECT_TRUE(progressive.contains(QByteArray("\xFF\xC2", 2)));
    EXPECT_FALSE(baseline.contains(QByteArray("\xFF\xC2", 2)));
    EXPECT_GT(progressive.count(QByteArray("\xFF\xDA", 2)), 1);  // start-of-scan markers
}

TEST(JpegDecode, DecodesAPictureOfTileSizeExactly) {
    const QImage source = QuadrantPicture(250, 250);
    const QImage picture = TJPEGImage::Decode(EncodeJpeg(source, JpegKind::Baseline));
    ASSERT_EQ(picture.size(), QSize(250, 250));
    EXPECT_LE(Distance(picture.pixel(10, 10), QuadrantColour(250, 250, 10, 10)), 12);
    EXPECT_LE(Distance(picture.pixel(240, 100), QuadrantColour(250, 250, 240, 100)), 12);
}

struct BadCase {
    const char* name;
    std::function<QByteArray()> bytes;
    int code;
};

void PrintTo(const BadCase& c, std::ostream* out) {
    *out << c.name;
}

class BadJpeg : public testing::TestWithParam<BadCase> {};

TEST_P(BadJpeg, RaisesTheLibrarysMessageCode) {
    const BadCase& c = GetParam();
    const QByteArray bytes = c.bytes();
    try {
        TJPEGImage::Decode(bytes);
        FAIL() << "decoded a bad file";
    } catch (const JpegError& error) {
        EXPECT_EQ(error.code(), c.code);
        EXPECT_EQ(std::string(error.what()), "JPEG error #" + std::to_string(c.code));
    }
}

QByteArray Cut(JpegKind kind, double fraction) {
    QByteArray jpeg = Make(kind);
    return jpeg.left(static_cast<qsizetype>(jpeg.size() * fraction));
}

INSTANTIATE_TEST_SUITE_P(
    Failures, BadJpeg,
    testing::Values(
        // What an image server sends with status 200 when the picture is gone.
        BadCase{"html_page",
                [] {
                    return QByteArray(
                        "<!DOCTYPE html>\r\n<html><head><title>404</title></head>"
                        "<body>The picture was not found.</body></html>\r\n");
                },
                JERR_NO_SOI},
        BadCase{"empty_file", [] { return QByteArray(); }, JERR_INPUT_EMPTY},
        // Ending in the header leaves no picture at all to show.
        BadCase{"truncated_in_the_header", [] { return Make(JpegKind::Baseline).left(40); },
                JERR_NO_IMAGE},
        // A header claiming a picture of 400 megapixels is refused before memory is taken.
        BadCase{"absurd_claimed_size",
                [] { return WithClaimedSize(Make(JpegKind::Baseline), 20000, 20000); },
                JERR_IMAGE_TOO_BIG}),
    [](const testing::TestParamInfo<BadCase>& info) { return std::string(info.param.name); });

TEST(JpegFile, DecodesAFileAndRaisesAPlainErrorForAMissingOne) {
    QTemporaryDir folder;
    const QString path = folder.filePath("picture_250x250.jpg");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(Make(JpegKind::Baseline));
    }
    EXPECT_EQ(TJPEGImage::DecodeFile(path).size(), QSize(kWidth, kHeight));

    const QString missing = folder.filePath("missing.jpg");
    try {
        TJPEGImage::DecodeFile(missing);
        FAIL() << "read a missing file";
    } catch (const JpegError&) {
        FAIL() << "a missing file is not a bad picture";
    } catch (const ZorviaError& error) {
        EXPECT_NE(std::string(error.what()).find("missing.jpg"), std::string::npos);
    }
}

TEST(JpegFile, ABadFileOnDiskRaisesLikeBadBytes) {
    QTemporaryDir folder;
    const QString path = folder.filePath("page.jpg");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("<html><body>gone</body></html>");
    }
    try {
        TJPEGImage::DecodeFile(path);
        FAIL() << "decoded a page";
    } catch (const JpegError& error) {
        EXPECT_EQ(error.code(), JERR_NO_SOI);
    }
}

// A file that ends early is what the server sent (a download cut short never becomes a file):
// what it holds is shown, the rows it lacks grey. One lacking only its end marker is whole.
TEST(JpegEndsEarly, ShowsWhatItHolds) {
    for (JpegKind kind : {JpegKind::Baseline, JpegKind::Progressive}) {
        const QByteArray whole = Make(kind);
        const QImage expected = TJPEGImage::Decode(whole);
        const QImage noEndMarker = TJPEGImage::Decode(whole.left(whole.size() - 2));
        EXPECT_EQ(noEndMarker, expected);
        const QImage cut = TJPEGImage::Decode(Cut(kind, 0.6));
        ASSERT_EQ(cut.size(), QSize(kWidth, kHeight));
        if (kind == JpegKind::Baseline) {  // the first rows come before the cut
            EXPECT_LE(Distance(cut.pixel(2, 1), expected.pixel(2, 1)), 12);
        }
    }
}

// A deal picture costs what its box shows, however large it is or claims to be.
TEST(JpegShownInABox, DecodesOnlyWhatTheBoxShows) {
    const QImage big = QuadrantPicture(1600, 1200);
    const QByteArray baseline = EncodeJpeg(big, JpegKind::Baseline);
    const QImage whole = TJPEGImage::Decode(baseline);
    const QImage shown = TJPEGImage::Decode(baseline, QSize(250, 167));
    EXPECT_EQ(shown.height(), 167);
    EXPECT_GE(shown.width(), 250);
    EXPECT_LE(shown.width(), 250 + 16) << "widened to the block boundary at most";
    for (int y = 0; y < 167; y += 11)
        for (int x = 0; x < 250; x += 13)
            ASSERT_EQ(shown.pixel(x, y), whole.pixel(x, y)) << x << "," << y;

    // Served sizes look exactly as before: the box's part of the same decode.
    const QByteArray served = EncodeJpeg(QuadrantPicture(250, 250), JpegKind::Progressive);
    EXPECT_EQ(TJPEGImage::Decode(served, QSize(250, 167)),
              TJPEGImage::Decode(served).copy(0, 0, 250, 167));
    EXPECT_EQ(TJPEGImage::Decode(served, QSize(313, 209)),
              TJPEGImage::Decode(served).copy(0, 0, 250, 209));

    // A progressive picture gathers all its scans before the first row: beyond about a million
    // pixels it is not decoded for a box at all.
    const QByteArray progressive = EncodeJpeg(QuadrantPicture(2400, 2400), JpegKind::Progressive);
    EXPECT_THROW(TJPEGImage::Decode(progressive, QSize(250, 167)), JpegError);
    // A claimed size the data does not hold costs no more than the box either.
    const QImage claimed =
        TJPEGImage::Decode(WithClaimedSize(Make(JpegKind::Baseline), 6000, 6000), QSize(250, 167));
    EXPECT_EQ(claimed.height(), 167);
    EXPECT_LE(claimed.width(), 250 + 16);
}

}  // namespace
