// The details window's chat button: an animated GIF whose timing, looping, transparency and
// hopping mascot are read from the file itself and then through Qt's movie player.

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QMovie>

#include <optional>
#include <vector>

#include "container_headers.h"
#include "pictures/packaged_pictures.h"

namespace {

const std::vector<int> kDelays = {100, 50, 10, 10, 10, 10, 100};

QByteArray ChatBytes() {
    return PackagedPictureBytes(QStringLiteral("chat"));
}

TEST(ChatButton, FileDeclaresPaletteTimingDisposalAndLoop) {
    const auto gif = ReadGifInfo(ChatBytes());
    ASSERT_TRUE(gif.has_value());
    EXPECT_EQ(gif->version, "89a");
    EXPECT_EQ(gif->width, 77);
    EXPECT_EQ(gif->height, 19);
    EXPECT_TRUE(gif->globalPalette);
    EXPECT_EQ(gif->paletteSize, 128);
    EXPECT_TRUE(gif->trailer);
    ASSERT_TRUE(gif->loopCount.has_value()) << "no NETSCAPE2.0 loop extension";
    EXPECT_EQ(*gif->loopCount, 0) << "must loop without end";

    std::vector<int> delays;
    for (const GifFrameInfo& frame : gif->frames) {
        delays.push_back(frame.delayHundredths);
    }
    EXPECT_EQ(delays, kDelays);
    for (size_t i = 0; i < gif->frames.size(); ++i) {
        const GifFrameInfo& frame = gif->frames[i];
        SCOPED_TRACE(testing::Message() << "frame " << i + 1);
        EXPECT_TRUE(frame.hasControl);
        EXPECT_EQ(frame.disposal, 2) << "not restored to background";
        EXPECT_TRUE(frame.transparent);
        EXPECT_EQ(frame.transparentIndex, 65);
        EXPECT_EQ(frame.left, 0);
        EXPECT_EQ(frame.top, 0);
        EXPECT_EQ(frame.width, 77);
        EXPECT_EQ(frame.height, 19);
        EXPECT_FALSE(frame.localPalette);
    }
}

// Fully transparent pixels compare equal whatever colour the decoder leaves in them.
QImage Normalised(const QImage& frame) {
    QImage image = frame.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(row[x]) == 0) {
                row[x] = 0;
            }
        }
    }
    return image;
}

std::vector<QImage> DecodedFrames() {
    QBuffer buffer;
    buffer.setData(ChatBytes());
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "gif");
    std::vector<QImage> frames;
    for (int i = 0; i < 20 && reader.canRead(); ++i) {
        const QImage frame = reader.read();
        if (frame.isNull()) {
            break;
        }
        frames.push_back(Normalised(frame));
    }
    return frames;
}

// The top row of the mascot: the highest row holding a clearly blue pixel at the left end.
std::optional<int> MascotTop(const QImage& frame) {
    for (int y = 0; y < frame.height(); ++y) {
        for (int x = 0; x < 20; ++x) {
            const QRgb p = frame.pixel(x, y);
            if (qAlpha(p) == 255 && qBlue(p) > qRed(p) + 60) {
                return y;
            }
        }
    }
    return std::nullopt;
}

TEST(ChatButton, MascotHopsTwoPixelsInFramesFourAndSix) {
    const std::vector<QImage> frames = DecodedFrames();
    ASSERT_EQ(frames.size(), kDelays.size());
    const auto rest = MascotTop(frames[0]);
    ASSERT_TRUE(rest.has_value()) << "no blue mascot";
    for (size_t i = 0; i < frames.size(); ++i) {
        const bool hop = i == 3 || i == 5;
        SCOPED_TRACE(testing::Message() << "frame " << i + 1);
        const auto top = MascotTop(frames[i]);
        ASSERT_TRUE(top.has_value());
        EXPECT_EQ(*top, *rest - (hop ? 2 : 0));
        // Only the mascot moves; the badge and its text are the same in every frame.
        EXPECT_TRUE(frames[i].copy(20, 0, 57, 19) == frames[0].copy(20, 0, 57, 19));
        EXPECT_EQ(frames[i] == frames[0], !hop);
    }
}

TEST(ChatButton, TransparentAroundTheBadgeOpaqueOnIt) {
    const std::vector<QImage> frames = DecodedFrames();
    ASSERT_FALSE(frames.empty());
    for (const QImage& frame : frames) {
        EXPECT_EQ(qAlpha(frame.pixel(0, 0)), 0);
        EXPECT_EQ(qAlpha(frame.pixel(76, 0)), 0);
        EXPECT_EQ(qAlpha(frame.pixel(76, 18)), 0);
        EXPECT_EQ(qAlpha(frame.pixel(40, 9)), 255);
    }
    // Pale yellow fill, orange frame, red text somewhere on the badge.
    const QImage& first = frames.front();
    bool red = false;
    bool orange = false;
    for (int y = 0; y < 19; ++y) {
        for (int x = 20; x < 77; ++x) {
            const QRgb p = first.pixel(x, y);
            if (qAlpha(p) != 255) {
                continue;
            }
            red = red || (qRed(p) > 190 && qGreen(p) < 70 && qBlue(p) < 70);
            orange =
                orange || (qRed(p) > 220 && qGreen(p) > 110 && qGreen(p) < 170 && qBlue(p) < 60);
        }
    }
    EXPECT_TRUE(red) << "no red text";
    EXPECT_TRUE(orange) << "no orange frame";
    const QRgb fill = first.pixel(22, 4);
    EXPECT_GT(qRed(fill), 240);
    EXPECT_GT(qGreen(fill), 220);
    EXPECT_LT(qBlue(fill), 230);
    EXPECT_GT(qBlue(fill), 120);
}

TEST(ChatButton, QtPlaysSevenFramesWithTheirDelaysForever) {
    QBuffer movieBytes;
    movieBytes.setData(ChatBytes());
    QMovie movie(&movieBytes, "gif");
    ASSERT_TRUE(movie.isValid());
    EXPECT_EQ(movie.frameCount(), 7);
    EXPECT_EQ(movie.loopCount(), -1) << "Qt reports endless looping as -1";
    for (int i = 0; i < 7; ++i) {
        ASSERT_TRUE(movie.jumpToFrame(i)) << i;
        EXPECT_EQ(movie.currentImage().size(), QSize(77, 19));
    }
    // The movie's own delay is shortened by the time it spent decoding; the reader's is not.
    QBuffer readerBytes;
    readerBytes.setData(ChatBytes());
    readerBytes.open(QIODevice::ReadOnly);
    QImageReader reader(&readerBytes, "gif");
    std::vector<int> delays;
    for (int i = 0; i < 20 && !reader.read().isNull(); ++i) {
        delays.push_back(reader.nextImageDelay() / 10);
    }
    EXPECT_EQ(delays, kDelays);
}

TEST(ChatButton, DecodedStillIsTheFirstFrame) {
    const QImage still = PackagedImage(QStringLiteral("chat"));
    const std::vector<QImage> frames = DecodedFrames();
    ASSERT_FALSE(frames.empty());
    EXPECT_TRUE(Normalised(still) == frames.front());
}

}  // namespace
