// PNG pictures with alpha drawn blended over what lies beneath a picture box, and GIF
// animations played through QMovie with their delays, disposal, transparency and loop count.

#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QMovie>
#include <QTest>

#include <functional>
#include <memory>

#include "gif_writer.h"
#include "views/picture_box.h"

namespace {

QByteArray PngOf(const QImage& picture) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(picture.save(&buffer, "PNG"));
    return bytes;
}

int Distance(QRgb a, QRgb b) {
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                     std::abs(qBlue(a) - qBlue(b))});
}

QRgb Over(QColor top, QRgb below) {
    const double a = top.alpha() / 255.0;
    auto mix = [a](int t, int b) { return static_cast<int>(t * a + b * (1 - a) + 0.5); };
    return qRgb(mix(top.red(), qRed(below)), mix(top.green(), qGreen(below)),
                mix(top.blue(), qBlue(below)));
}

// A coloured panel with a picture box on it, shown, so that grabbing the panel composes both
// as the screen would.
struct Stage {
    explicit Stage(QRgb background) {
        panel.resize(120, 60);
        panel.setAutoFillBackground(true);
        QPalette palette = panel.palette();
        palette.setColor(QPalette::Window, QColor(background));
        panel.setPalette(palette);
        box = new TImage(&panel);
        box->move(10, 10);
        box->resize(100, 40);
        panel.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&panel));
    }
    QRgb at(QPoint inBox) { return panel.grab().toImage().pixel(inBox + QPoint(10, 10)); }

    QWidget panel;
    TImage* box = nullptr;
};

struct BlendCase {
    const char* name;
    QRgb background;
    QColor strip;
    QRgb expected;  // the figure a user would read off the screen
};

void PrintTo(const BlendCase& c, std::ostream* out) {
    *out << c.name;
}

class PngOverPanel : public testing::TestWithParam<BlendCase> {};

TEST_P(PngOverPanel, TranslucentPixelsBlendWithWhatLiesBeneath) {
    const BlendCase& c = GetParam();
    QImage strip(100, 25, QImage::Format_ARGB32);
    strip.fill(c.strip);
    const QImage decoded = QImage::fromData(PngOf(strip), "PNG");
    ASSERT_TRUE(decoded.hasAlphaChannel());

    Stage stage(c.background);
    stage.box->setPicture(decoded);
    EXPECT_LE(Distance(stage.at(QPoint(50, 12)), c.expected), 2)
        << std::hex << stage.at(QPoint(50, 12)) << " expected " << c.expected;
    EXPECT_LE(Distance(stage.at(QPoint(50, 12)), Over(c.strip, c.background)), 2);
    // Below the picture the box is empty: the panel shows through unchanged.
    EXPECT_EQ(stage.at(QPoint(50, 32)), c.background);
}

INSTANTIATE_TEST_SUITE_P(
    Backgrounds, PngOverPanel,
    testing::Values(BlendCase{"over_white", qRgb(255, 255, 255), QColor(117, 117, 116, 163),
                              qRgb(167, 167, 166)},
                    BlendCase{"over_black", qRgb(0, 0, 0), QColor(117, 117, 116, 163),
                              qRgb(75, 75, 74)},
                    BlendCase{"over_the_red_band", qRgb(0xF0, 0x34, 0x13),
                              QColor(117, 117, 116, 163), qRgb(162, 94, 81)},
                    BlendCase{"fully_transparent", qRgb(0xF0, 0x34, 0x13), QColor(255, 255, 255, 0),
                              qRgb(0xF0, 0x34, 0x13)}),
    [](const testing::TestParamInfo<BlendCase>& info) { return std::string(info.param.name); });

TEST(PngOverPanel, TransparentCornersShowTheBandWithoutAFringe) {
    // A rounded button: corner pixels transparent, a soft half-covered pixel next to them.
    QImage button(82, 29, QImage::Format_ARGB32);
    button.fill(QColor(255, 230, 80));
    button.setPixelColor(0, 0, QColor(0, 0, 0, 0));
    button.setPixelColor(1, 0, QColor(255, 230, 80, 128));
    const QRgb band = qRgb(0xF0, 0x34, 0x13);

    Stage stage(band);
    stage.box->setPicture(QImage::fromData(PngOf(button), "PNG"));
    EXPECT_EQ(stage.at(QPoint(0, 0)), band);
    EXPECT_LE(Distance(stage.at(QPoint(1, 0)), Over(QColor(255, 230, 80, 128), band)), 2);
    EXPECT_EQ(stage.at(QPoint(40, 14)), qRgb(255, 230, 80));
}

const QRgb kWhite = qRgb(255, 255, 255), kRed = qRgb(220, 0, 0), kGreen = qRgb(0, 180, 0);

// 8 x 6, three frames: all red; green on the left with transparent pixels on the right; all
// green. Index 3 is the transparent colour.
GifAnimation ThreeFrames(int disposal, std::optional<int> loops, std::vector<int> delays) {
    GifAnimation recipe;
    recipe.width = 8;
    recipe.height = 6;
    recipe.palette = {kWhite, kRed, kGreen, qRgb(1, 2, 3)};
    recipe.transparentIndex = 3;
    recipe.loopCount = loops;
    std::vector<uint8_t> red(48, 1), half(48, 2), green(48, 2);
    for (int y = 0; y < 6; ++y)
        for (int x = 4; x < 8; ++x)
            half[y * 8 + x] = 3;
    recipe.frames = {
        {red, delays[0], disposal}, {half, delays[1], disposal}, {green, delays[2], disposal}};
    return recipe;
}

std::unique_ptr<QMovie> MovieOf(QByteArray bytes, QBuffer& buffer) {
    buffer.setData(bytes);
    auto movie = std::make_unique<QMovie>(&buffer, "gif");
    movie->setCacheMode(QMovie::CacheAll);
    return movie;
}

// QMovie reports a frame's delay less the time it spent decoding the frame, so under load
// it can fall a little short of the file's value; it must never exceed it.
void ExpectMovieDelay(const QMovie& movie, int fileDelayMs, int frame) {
    const int delay = movie.nextFrameDelay();
    EXPECT_LE(delay, fileDelayMs) << "frame " << frame;
    EXPECT_GE(delay, fileDelayMs - 60) << "frame " << frame;
}

TEST(GifMovie, ReadsFramesDelaysAndLoopCountFromTheFile) {
    struct Case {
        const char* name;
        std::optional<int> loops;
        int expectedLoopCount;  // QMovie: -1 forever, 0 once
    };
    const Case cases[] = {
        {"forever", 0, -1}, {"three_times", 3, 3}, {"no_loop_block", std::nullopt, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QBuffer buffer;
        auto movie = MovieOf(EncodeGif(ThreeFrames(2, c.loops, {10, 50, 100})), buffer);
        ASSERT_TRUE(movie->isValid());
        EXPECT_EQ(movie->frameCount(), 3);
        EXPECT_EQ(movie->loopCount(), c.expectedLoopCount);
        const int delays[] = {100, 500, 1000};
        for (int frame = 0; frame < 3; ++frame) {
            ASSERT_TRUE(movie->jumpToFrame(frame));
            ExpectMovieDelay(*movie, delays[frame], frame);
            EXPECT_EQ(movie->currentImage().size(), QSize(8, 6));
        }
    }
}

TEST(GifMovie, RestoringToBackgroundLetsTransparentPixelsShowThrough) {
    // Disposal to background clears the previous frame: the second frame's transparent half
    // is transparent. Kept frames (disposal 1) would show the first frame's red there instead.
    struct Case {
        const char* name;
        int disposal;
        int alphaRight;
        QRgb colourRight;
    };
    const Case cases[] = {{"restore_to_background", 2, 0, 0}, {"keep_previous", 1, 255, kRed}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QBuffer buffer;
        auto movie = MovieOf(EncodeGif(ThreeFrames(c.disposal, 0, {10, 10, 10})), buffer);
        ASSERT_TRUE(movie->jumpToFrame(0));
        EXPECT_EQ(movie->currentImage().pixel(6, 3), kRed);
        ASSERT_TRUE(movie->jumpToFrame(1));
        const QImage second = movie->currentImage();
        EXPECT_EQ(second.pixel(1, 3), kGreen);
        EXPECT_EQ(qAlpha(second.pixel(6, 3)), c.alphaRight);
        if (c.alphaRight) {
            EXPECT_EQ(second.pixel(6, 3), c.colourRight);
        }
    }
}

TEST(GifMovie, PlaysInAPictureBoxCyclingWithoutEndOverWhatLiesBeneath) {
    QBuffer buffer;
    auto movie = MovieOf(EncodeGif(ThreeFrames(2, 0, {2, 2, 2})), buffer);
    const QRgb panelColour = qRgb(30, 60, 200);
    Stage stage(panelColour);
    stage.box->setMovie(movie.get());

    std::vector<int> shown;
    QObject::connect(movie.get(), &QMovie::frameChanged, [&](int frame) {
        shown.push_back(frame);
        if (frame == 1 && shown.size() > 3) {
            // The transparent half of the second frame shows the panel.
            EXPECT_EQ(stage.at(QPoint(6, 3)), panelColour);
            EXPECT_EQ(stage.at(QPoint(1, 3)), kGreen);
        }
    });
    movie->start();
    QElapsedTimer waited;
    waited.start();
    while (shown.size() < 10 && waited.elapsed() < 5000)
        QTest::qWait(10);
    movie->stop();
    ASSERT_GE(shown.size(), 10u) << "the animation stopped";
    for (size_t i = 1; i < shown.size(); ++i)
        EXPECT_EQ(shown[i], (shown[i - 1] + 1) % 3) << "step " << i;
}

TEST(GifMovie, PackagedChatButtonAnimatesAsDrawn) {
    QFile file(":/myimage/CHAT");
    if (!file.exists())
        GTEST_SKIP() << "the chat button is not packaged in this build";
    QMovie movie(":/myimage/CHAT");
    ASSERT_TRUE(movie.isValid());
    EXPECT_EQ(movie.frameCount(), 7);
    EXPECT_EQ(movie.loopCount(), -1);
    const int delays[] = {1000, 500, 100, 100, 100, 100, 1000};
    for (int frame = 0; frame < 7; ++frame) {
        ASSERT_TRUE(movie.jumpToFrame(frame));
        EXPECT_EQ(movie.currentImage().size(), QSize(77, 19));
        ExpectMovieDelay(movie, delays[frame], frame);
    }
}

// On a screen of device pixel ratio 2 a picture box is given pictures of twice the pixels,
// marked with ratio 2: it keeps the 1x size and shows every pixel.
TEST(DoubleSizePictures, APictureBoxKeepsTheOneTimesSizeAndDrawsAtFullResolution) {
    QImage picture(164, 58, QImage::Format_ARGB32);
    picture.fill(qRgb(220, 0, 0));
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 82; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(0, 0, 220));
    picture.setDevicePixelRatio(2.0);
    TImage box;
    box.setAutoSize(true);
    box.setPicture(picture);
    EXPECT_EQ(box.size(), QSize(82, 29));

    QImage screen(164, 58, QImage::Format_ARGB32);
    screen.setDevicePixelRatio(2.0);
    screen.fill(Qt::white);
    box.render(&screen);
    EXPECT_EQ(screen.pixel(40, 20), qRgb(220, 0, 0));
    EXPECT_EQ(screen.pixel(120, 20), qRgb(0, 0, 220)) << "drawn at the 2x pixel size";
}

TEST(DoubleSizePictures, AMovieDrawnAtTwiceTheSizeKeepsTheOneTimesSize) {
    QFile file(":/myimage/CHAT@2X");
    if (!file.exists())
        GTEST_SKIP() << "the chat button is not packaged in this build";
    QMovie movie(":/myimage/CHAT@2X");
    ASSERT_TRUE(movie.isValid());
    movie.jumpToFrame(0);
    TImage box;
    box.setAutoSize(true);
    box.setMovie(&movie, 2.0);
    EXPECT_EQ(box.size(), QSize(77, 19));
}

}  // namespace
