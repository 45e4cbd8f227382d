#include "artwork.h"

#include <QBuffer>
#include <QColor>
#include <QFont>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QImageReader>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <stdexcept>
#include <vector>

#include "encoders.h"
#include "gif_writer.h"

namespace artgen {

namespace {

const QString kHei = QStringLiteral("WenQuanYi Zen Hei");
const QString kSans = QStringLiteral("DejaVu Sans");
// Its Roman numeral two has the joining bars that the sans face leaves off.
const QString kSerif = QStringLiteral("DejaVu Serif");

constexpr int kJpegQuality = 92;

QColor Hex(QRgb rgb) {
    return QColor::fromRgb(rgb);
}

QColor Mix(const QColor& a, const QColor& b, double t) {
    auto lerp = [t](int x, int y) { return static_cast<int>(std::lround(x + (y - x) * t)); };
    return QColor(lerp(a.red(), b.red()), lerp(a.green(), b.green()), lerp(a.blue(), b.blue()),
                  lerp(a.alpha(), b.alpha()));
}

// Every picture is drawn in the coordinates of its 1x size. A 2x picture (for screens with a
// device pixel ratio of 2) is a canvas of twice the pixels whose device pixel ratio is 2: QPainter
// then draws the same shapes and texts at the finer resolution, and the pixel helpers below fill
// 2 x 2 blocks.
QImage Blank(int width, int height, QImage::Format format, int scale) {
    QImage image(width * scale, height * scale, format);
    image.setDevicePixelRatio(scale);
    return image;
}

QImage Canvas(int width, int height, const QColor& fill, int scale) {
    QImage image = Blank(width, height, QImage::Format_ARGB32_Premultiplied, scale);
    image.fill(fill);
    return image;
}

int ScaleOf(const QImage& image) {
    return static_cast<int>(std::lround(image.devicePixelRatio()));
}

// The device pixels of the 1x pixel (x, y).
void PaintPixel(QImage& image, int x, int y, const QColor& colour) {
    const int scale = ScaleOf(image);
    for (int dy = 0; dy < scale; ++dy) {
        for (int dx = 0; dx < scale; ++dx) {
            image.setPixelColor(x * scale + dx, y * scale + dy, colour);
        }
    }
}

// The picture's own pixels, without the device pixel ratio, for the encoders.
QImage Plain(QImage image) {
    image.setDevicePixelRatio(1.0);
    return image;
}

void RequireFont(const QString& family) {
    QFont font(family);
    font.setPixelSize(20);
    if (QFontInfo(font).family().compare(family, Qt::CaseInsensitive) != 0) {
        throw std::runtime_error("the font \"" + family.toStdString() +
                                 "\" is not installed; the artwork would not match");
    }
}

QFont Face(const QString& family, double pixelHeight, bool bold, int stretch = QFont::Unstretched) {
    QFont font(family);
    font.setPixelSize(static_cast<int>(std::lround(pixelHeight)));
    font.setBold(bold);
    font.setStretch(stretch);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

struct TextRun {
    QString text;
    QFont face;
};

QPainterPath RunsOutline(const std::vector<TextRun>& runs, int pixelSize, double spacing) {
    QPainterPath path;
    double x = 0.0;
    for (const TextRun& run : runs) {
        QFont font = run.face;
        font.setPixelSize(pixelSize);
        font.setLetterSpacing(QFont::AbsoluteSpacing, spacing);
        path.addText(x, 0, font, run.text);
        x += QFontMetricsF(font).horizontalAdvance(run.text);
    }
    return path;
}

// Large texts are drawn as outlines fitted so that their ink fills the given box exactly: the
// height sets the size, the letter spacing takes up most of the width difference and a slight
// horizontal scale the rest.
QPainterPath FittedText(const std::vector<TextRun>& runs, const QRectF& ink) {
    constexpr int kDesignSize = 100;
    const QRectF plainBox = RunsOutline(runs, kDesignSize, 0.0).boundingRect();
    const double scale = ink.height() / plainBox.height();
    int gaps = -1;
    for (const TextRun& run : runs) {
        gaps += static_cast<int>(run.text.size());
    }
    double spacing = 0.0;
    if (gaps > 0) {
        spacing = (ink.width() / scale - plainBox.width()) / gaps;
        spacing = std::clamp(spacing, -0.04 * kDesignSize, 0.35 * kDesignSize);
    }
    const QPainterPath spaced = RunsOutline(runs, kDesignSize, spacing);
    const QRectF box = spaced.boundingRect();
    QTransform place;
    place.translate(ink.left(), ink.top());
    place.scale(ink.width() / box.width(), ink.height() / box.height());
    place.translate(-box.left(), -box.top());
    return place.map(spaced);
}

QPainterPath FittedText(const QString& text, const QFont& face, const QRectF& ink) {
    return FittedText(std::vector<TextRun>{{text, face}}, ink);
}

// Ink boxes in the pictures are given as inclusive pixel ranges.
QRectF InkBox(int left, int top, int right, int bottom) {
    return QRectF(left, top, right - left + 1, bottom - top + 1);
}

// `weight` thickens the strokes by outlining them in the same colour: the Hei face has no bold
// cut, and outlines of synthetic bold come out regular.
void FillText(QPainter& painter, const QPainterPath& path, const QColor& colour,
              double weight = 0.0) {
    painter.save();
    if (weight > 0.0) {
        painter.setPen(QPen(colour, weight, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    } else {
        painter.setPen(Qt::NoPen);
    }
    painter.setBrush(colour);
    painter.drawPath(path);
    painter.restore();
}

// Small texts (button captions) keep the font's own rasterisation, centred by their ink.
void CentredCaption(QPainter& painter, const QRectF& area, const QString& text, const QFont& font,
                    const QColor& colour, const QColor& relief, const QPointF& reliefOffset) {
    const QFontMetricsF metrics(font);
    const QRectF ink = metrics.tightBoundingRect(text);
    const QPointF origin(std::round(area.center().x() - ink.center().x()),
                         std::round(area.center().y() - ink.center().y()));
    painter.save();
    painter.setFont(font);
    if (relief.alpha() > 0) {
        painter.setPen(relief);
        painter.drawText(origin + reliefOffset, text);
    }
    painter.setPen(colour);
    painter.drawText(origin, text);
    painter.restore();
}

void PaintRow(QImage& image, int y, int left, int right, const QColor& colour) {
    for (int x = left; x <= right; ++x) {
        PaintPixel(image, x, y, colour);
    }
}

void PaintColumn(QImage& image, int x, int top, int bottom, const QColor& colour) {
    for (int y = top; y <= bottom; ++y) {
        PaintPixel(image, x, y, colour);
    }
}

// A rectangular ring `inset` pixels inside the rectangle (left, top)-(right, bottom).
void PaintRing(QImage& image, int left, int top, int right, int bottom, int inset,
               const QColor& colour, bool withBottom = true) {
    PaintRow(image, top + inset, left + inset, right - inset, colour);
    if (withBottom) {
        PaintRow(image, bottom - inset, left + inset, right - inset, colour);
    }
    PaintColumn(image, left + inset, top + inset, bottom - inset, colour);
    PaintColumn(image, right - inset, top + inset, bottom - inset, colour);
}

void PaintVerticalBand(QImage& image, int top, int bottom, const QColor& first,
                       const QColor& last) {
    for (int y = top; y <= bottom; ++y) {
        const double t = bottom == top ? 0.0 : double(y - top) / double(bottom - top);
        PaintRow(image, y, 0, image.width() / ScaleOf(image) - 1, Mix(first, last, t));
    }
}

// Fully transparent pixels get the colour of their nearest painted neighbour in the row, so that
// a scaler that ignores alpha never pulls a black fringe into the edges.
QImage Bleed(const QImage& premultiplied) {
    QImage image = premultiplied.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        int nearest = -1;
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(row[x]) > 0) {
                nearest = x;
                break;
            }
        }
        if (nearest < 0) {
            continue;
        }
        QRgb carry = row[nearest];
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(row[x]) == 0) {
                row[x] = carry & 0x00FFFFFFu;
            } else {
                carry = row[x];
            }
        }
    }
    return image;
}

// ---------------------------------------------------------------------------------------------
// Tile backgrounds

constexpr int kTileWidth = 252;
constexpr int kTileHeight = 211;
constexpr int kBandTop = 168;
constexpr int kBandBottom = 210;
const QColor kTileGrey = Hex(0xE8E8E8);
const QColor kNoticeGrey = Hex(0xCDCDCD);

QImage TileBackground(const QColor& frame, int frameWidth, int scale) {
    QImage image = Blank(kTileWidth, kTileHeight, QImage::Format_RGB32, scale);
    image.fill(kTileGrey);
    // The frame surrounds the picture area only; its innermost pixel fades into the grey so the
    // edge reads as soft.
    for (int ring = 0; ring < frameWidth; ++ring) {
        PaintRing(image, 0, 0, kTileWidth - 1, kBandTop + frameWidth, ring, frame, false);
    }
    PaintRing(image, 0, 0, kTileWidth - 1, kBandTop + frameWidth, frameWidth,
              Mix(frame, kTileGrey, 0.55), false);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    FillText(painter,
             FittedText(QString::fromUtf8("下载图片..."), Face(kHei, 24, true),
                        InkBox(63, 78, 205, 102)),
             kNoticeGrey);
    return image;
}

QImage DrawHomebak(int scale) {
    QImage image = TileBackground(Hex(0xCF8B87), 1, scale);
    PaintVerticalBand(image, kBandTop, kBandBottom, Hex(0xF03413), Hex(0xD12D1B));
    return image;
}

QImage DrawHomebak2(int scale) {
    QImage image = TileBackground(Hex(0x9E9C98), 2, scale);
    PaintVerticalBand(image, kBandTop, kBandBottom, Hex(0x9D9B9A), Hex(0x9D9B9A));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPainterPath text = FittedText(QString::fromUtf8("卖光了.."), Face(kHei, 21, true),
                                         InkBox(154, 179, 243, 199).adjusted(0.5, 0.5, -0.5, -0.5));
    FillText(painter, text.translated(1, 1), Hex(0x8A8887), 1.0);
    FillText(painter, text, Qt::white, 1.0);
    return image;
}

QImage DrawHomebak1(int scale) {
    // Written straight in straight-alpha form: premultiplying would round the colour.
    QImage image = Blank(250, 25, QImage::Format_RGBA8888, scale);
    image.fill(QColor(117, 117, 116, 163));
    return image;
}

// ---------------------------------------------------------------------------------------------
// Buttons

struct ButtonStyle {
    QSize size;
    double radius;
    QColor top;
    QColor bottom;
    QColor border;
    QString caption;
    QColor captionColour;
    double captionPixels;
    QColor relief;         // a 1-pixel echo of the caption, for an engraved look
    QPointF reliefOffset;  // where the echo lies
    bool softEdge;         // an outer ring at partial opacity instead of a hard border
};

QImage DrawButton(const ButtonStyle& style, int scale) {
    const int w = style.size.width();
    const int h = style.size.height();
    QImage image = Canvas(w, h, Qt::transparent, scale);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient fill(0, 0, 0, h);
    fill.setColorAt(0.0, style.top);
    fill.setColorAt(1.0, style.bottom);

    const QRectF outer(0, 0, w, h);
    QPainterPath shape;
    shape.addRoundedRect(outer, style.radius, style.radius);
    if (style.softEdge) {
        QLinearGradient halo(0, 0, 0, h);
        QColor top = style.top;
        QColor bottom = style.bottom;
        top.setAlpha(105);
        bottom.setAlpha(125);
        halo.setColorAt(0.0, top);
        halo.setColorAt(1.0, bottom);
        painter.fillPath(shape, halo);
        QPainterPath inner;
        inner.addRoundedRect(outer.adjusted(1, 1, -1, -1), style.radius - 1, style.radius - 1);
        painter.fillPath(inner, fill);
    } else {
        painter.fillPath(shape, fill);
        QPainterPath rim;
        rim.addRoundedRect(outer.adjusted(0.5, 0.5, -0.5, -0.5), style.radius - 0.5,
                           style.radius - 0.5);
        painter.setPen(QPen(style.border, 1.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(rim);
    }
    // A thin light line under the top edge gives the button its slight bulge.
    painter.save();
    painter.setClipPath(shape);
    QLinearGradient shine(0, 0, w, 0);
    shine.setColorAt(0.0, QColor(255, 255, 255, 0));
    shine.setColorAt(0.5, QColor(255, 255, 255, 150));
    shine.setColorAt(1.0, QColor(255, 255, 255, 0));
    painter.setPen(QPen(QBrush(shine), 1.0));
    painter.drawLine(QPointF(style.radius, 1.5), QPointF(w - style.radius, 1.5));
    painter.restore();

    QFont font = Face(kHei, style.captionPixels, true);
    font.setHintingPreference(QFont::PreferFullHinting);
    CentredCaption(painter, outer.adjusted(0, 0, 0, -0.5), style.caption, font, style.captionColour,
                   style.relief, style.reliefOffset);
    painter.end();
    return Bleed(image);
}

ButtonStyle GoAndSee(const QColor& top, const QColor& bottom) {
    return ButtonStyle{QSize(82, 29),
                       7.0,
                       top,
                       bottom,
                       QColor(0xD9, 0x8E, 0x00, 190),
                       QString::fromUtf8("去看看"),
                       Hex(0x780C00),
                       16,
                       Qt::transparent,
                       QPointF(0, 1),
                       false};
}

ButtonStyle Join(const QColor& top, const QColor& bottom) {
    return ButtonStyle{QSize(63, 31),
                       7.0,
                       top,
                       bottom,
                       QColor(0xD4, 0x86, 0x00, 190),
                       QString::fromUtf8("参团"),
                       Hex(0x6B0000),
                       17,
                       Qt::transparent,
                       QPointF(0, 1),
                       false};
}

ButtonStyle Exit(const QColor& top, const QColor& bottom) {
    return ButtonStyle{QSize(57, 21),
                       6.0,
                       top,
                       bottom,
                       Qt::transparent,
                       QString::fromUtf8("退出"),
                       Qt::white,
                       13,
                       QColor(0x1E, 0x5A, 0xA8, 80),
                       QPointF(0, 1),
                       true};
}

// ---------------------------------------------------------------------------------------------
// Details window backgrounds

constexpr int kDetailsWidth = 530;
constexpr int kDetailsHeight = 250;

QImage DetailsBackground(const QColor& band, const QColor& placeholderFrame, int scale) {
    QImage image = Blank(kDetailsWidth, kDetailsHeight, QImage::Format_ARGB32, scale);
    image.fill(Hex(0xFFFCFB));
    PaintRing(image, 0, 0, kDetailsWidth - 1, kDetailsHeight - 1, 0, Hex(0x666666));

    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);

    // Price band behind the price and the join button; it runs into the picture frame.
    painter.fillRect(QRect(1, 1, 211, 47), band);

    // Pale panel behind the original price, discount and saving, with hairline dividers between
    // its three columns.
    const QRect panel(9, 49, 201, 59);
    painter.fillRect(panel, Hex(0xFFF7AD));
    painter.setPen(QPen(Hex(0xF3E38C), 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(panel).adjusted(0.5, 0.5, -0.5, -0.5));
    painter.setPen(QPen(Hex(0xF1DF86), 1.0));
    painter.drawLine(QPointF(83.5, 58), QPointF(83.5, 99));
    painter.drawLine(QPointF(134.5, 58), QPointF(134.5, 99));

    // Dotted separators above the stock message and above the countdown row.
    painter.setPen(QPen(Hex(0xE9DCD8), 1.0, Qt::DotLine));
    painter.drawLine(QPointF(9, 166.5), QPointF(209, 166.5));
    painter.drawLine(QPointF(9, 215.5), QPointF(209, 215.5));

    // Picture placeholder: a 3-pixel frame round a light grey well with the loading notice.
    const QRect frame(211, 1, 318, 213);
    painter.fillRect(frame, placeholderFrame);
    const QRect well = frame.adjusted(3, 3, -3, -3);
    painter.fillRect(well, Hex(0xE2E2E2));
    const QRectF notice(well.center().x() - 82, well.center().y() - 13, 166, 26);
    FillText(painter, FittedText(QString::fromUtf8("下载图片....."), Face(kHei, 24, true), notice),
             Hex(0xC6C6C6));
    painter.end();
    return image;
}

QImage DrawItembak(int scale) {
    return DetailsBackground(Hex(0xF23213), Hex(0xF23213), scale);
}

QImage DrawItembak2(int scale) {
    QImage image = DetailsBackground(Hex(0x9E9C9A), Hex(0x9E9C9A), scale);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // Where the join button sits in the in-stock look.
    const QPainterPath text = FittedText(QString::fromUtf8("卖光了"), Face(kHei, 22, true),
                                         InkBox(148, 13, 203, 34).adjusted(0.5, 0.5, -0.5, -0.5));
    FillText(painter, text.translated(1, 1), Hex(0x858381), 1.0);
    FillText(painter, text, Qt::white, 1.0);
    return image;
}

// ---------------------------------------------------------------------------------------------
// Splash and icon

QImage DrawSplash(int scale) {
    QImage image = Blank(380, 150, QImage::Format_RGB32, scale);
    image.fill(Qt::white);
    PaintRing(image, 0, 0, 379, 149, 0, Hex(0x343434));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    FillText(painter,
             FittedText({{QStringLiteral("Zorvia"), Face(kSans, 21, true, QFont::Condensed)},
                         {QString::fromUtf8("Ⅱ"), Face(kSerif, 21, true)}},
                        InkBox(39, 37, 127, 57)),
             Qt::black);
    // A short crimson rule under the title, fading out to the right.
    QLinearGradient rule(39, 0, 200, 0);
    rule.setColorAt(0.0, Hex(0xC8102E));
    rule.setColorAt(1.0, QColor(0xC8, 0x10, 0x2E, 0));
    painter.fillRect(QRectF(39, 63, 161, 2), rule);
    FillText(painter,
             FittedText(QString::fromUtf8("数据正在加载... ..."), Face(kHei, 23, false),
                        InkBox(95, 82, 322, 104)),
             Hex(0x8C8C8C));
    return image;
}

// Drawn on a 48-pixel design grid and scaled, so that every size shows the same picture; at 48
// the scale is 1 and the pixels are those of the packaged icon.
QImage DrawIcon(int size = 48) {
    QImage image = Canvas(size, size, Qt::transparent, 1);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 48.0, size / 48.0);
    const QRectF square(1, 1, 46, 46);
    QPainterPath shape;
    shape.addRoundedRect(square, 10, 10);
    QLinearGradient fill(0, 1, 0, 47);
    fill.setColorAt(0.0, Hex(0xE3254B));
    fill.setColorAt(1.0, Hex(0xA80D2C));
    painter.fillPath(shape, fill);
    painter.setPen(QPen(QColor(0x70, 0x05, 0x18, 150), 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(square.adjusted(0.5, 0.5, -0.5, -0.5), 9.5, 9.5);
    painter.setPen(QPen(QColor(255, 255, 255, 70), 1.0));
    painter.drawLine(QPointF(10, 2.5), QPointF(38, 2.5));
    const QPainterPath glyph =
        FittedText(QStringLiteral("Z"), Face(kSans, 30, true), QRectF(13, 10, 22, 27));
    FillText(painter, glyph.translated(0, 1.2), QColor(0x5A, 0x00, 0x12, 120));
    FillText(painter, glyph, Hex(0xFFF3D6));
    painter.end();
    return Bleed(image);
}

// ---------------------------------------------------------------------------------------------
// Chat button

constexpr int kChatWidth = 77;
constexpr int kChatHeight = 19;
constexpr int kChatTransparent = 65;
constexpr int kChatColours = 128;
const std::array<int, 7> kChatDelays = {100, 50, 10, 10, 10, 10, 100};
const QColor kChatMatte = Hex(0xFFFCFB);  // the details window's background under the badge

QImage DrawChatFrame(double mascotLift, int scale) {
    QImage image = Canvas(kChatWidth, kChatHeight, Qt::transparent, scale);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    const QRectF badge(5.5, 1.5, 71, 16);
    QLinearGradient fill(0, badge.top(), 0, badge.bottom());
    fill.setColorAt(0.0, Hex(0xFFFBDD));
    fill.setColorAt(1.0, Hex(0xFFEDA0));
    painter.setBrush(fill);
    painter.setPen(QPen(Hex(0xF08A12), 1.0));
    painter.drawRoundedRect(badge, 8, 8);

    QFont font = Face(kHei, 12, true);
    font.setHintingPreference(QFont::PreferFullHinting);
    CentredCaption(painter, QRectF(21, 1.5, 54, 16), QString::fromUtf8("和我联系"), font,
                   Hex(0xE0201B), Qt::transparent, QPointF());

    // The mascot: a round blue face that hops.
    const QPointF centre(9.5, 10.0 - mascotLift);
    const double radius = 7.5;
    QRadialGradient face(centre + QPointF(-2.2, -2.6), radius * 1.5);
    face.setColorAt(0.0, Hex(0x9AD4FF));
    face.setColorAt(0.55, Hex(0x3C95EA));
    face.setColorAt(1.0, Hex(0x1C64C4));
    painter.setBrush(face);
    painter.setPen(QPen(Hex(0x15509E), 1.0));
    painter.drawEllipse(centre, radius - 0.5, radius - 0.5);

    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawEllipse(centre + QPointF(-2.6, -1.4), 1.9, 2.2);
    painter.drawEllipse(centre + QPointF(2.6, -1.4), 1.9, 2.2);
    painter.setBrush(Hex(0x0E2A50));
    painter.drawEllipse(centre + QPointF(-2.2, -1.0), 1.0, 1.2);
    painter.drawEllipse(centre + QPointF(3.0, -1.0), 1.0, 1.2);
    QPainterPath smile;
    smile.moveTo(centre + QPointF(-3.0, 2.4));
    smile.quadTo(centre + QPointF(0, 5.2), centre + QPointF(3.0, 2.4));
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::white, 1.2, Qt::SolidLine, Qt::RoundCap));
    painter.drawPath(smile);
    painter.end();
    return image;
}

// Colours of a frame with every pixel at least half covered laid onto the matte; the rest is the
// transparent colour (kept as the invalid value 0).
std::vector<QRgb> Flatten(const QImage& premultiplied) {
    std::vector<QRgb> pixels;
    pixels.reserve(static_cast<size_t>(premultiplied.width() * premultiplied.height()));
    for (int y = 0; y < premultiplied.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(premultiplied.constScanLine(y));
        for (int x = 0; x < premultiplied.width(); ++x) {
            const QRgb p = row[x];
            const int a = qAlpha(p);
            if (a < 128) {
                pixels.push_back(0);
                continue;
            }
            auto over = [a](int premul, int matte) {
                return premul + (matte * (255 - a) + 127) / 255;
            };
            pixels.push_back(qRgb(over(qRed(p), kChatMatte.red()),
                                  over(qGreen(p), kChatMatte.green()),
                                  over(qBlue(p), kChatMatte.blue())));
        }
    }
    return pixels;
}

// Median cut over the opaque colours of all frames, weighted by how often each occurs.
std::vector<QRgb> MedianCut(const std::map<QRgb, int>& histogram, size_t wanted) {
    struct Entry {
        QRgb colour;
        int count;
    };
    using Box = std::vector<Entry>;
    std::vector<Box> boxes(1);
    for (const auto& [colour, count] : histogram) {
        boxes[0].push_back({colour, count});
    }
    auto channel = [](QRgb c, int k) { return k == 0 ? qRed(c) : k == 1 ? qGreen(c) : qBlue(c); };
    while (boxes.size() < wanted) {
        int best = -1;
        long long bestScore = 0;
        int bestChannel = 0;
        for (size_t i = 0; i < boxes.size(); ++i) {
            if (boxes[i].size() < 2) {
                continue;
            }
            long long total = 0;
            for (const Entry& e : boxes[i]) {
                total += e.count;
            }
            for (int k = 0; k < 3; ++k) {
                int lo = 255;
                int hi = 0;
                for (const Entry& e : boxes[i]) {
                    lo = std::min(lo, channel(e.colour, k));
                    hi = std::max(hi, channel(e.colour, k));
                }
                const long long score = static_cast<long long>(hi - lo) * (hi - lo) * total;
                if (score > bestScore) {
                    bestScore = score;
                    best = static_cast<int>(i);
                    bestChannel = k;
                }
            }
        }
        if (best < 0) {
            break;
        }
        Box& box = boxes[static_cast<size_t>(best)];
        std::sort(box.begin(), box.end(), [&](const Entry& a, const Entry& b) {
            return channel(a.colour, bestChannel) < channel(b.colour, bestChannel);
        });
        long long total = 0;
        for (const Entry& e : box) {
            total += e.count;
        }
        long long running = 0;
        size_t cut = 1;
        for (size_t i = 0; i + 1 < box.size(); ++i) {
            running += box[i].count;
            cut = i + 1;
            if (running * 2 >= total) {
                break;
            }
        }
        Box upper(box.begin() + static_cast<long>(cut), box.end());
        box.resize(cut);
        boxes.push_back(std::move(upper));
    }
    std::vector<QRgb> palette;
    for (const Box& box : boxes) {
        long long r = 0, g = 0, b = 0, n = 0;
        for (const Entry& e : box) {
            r += static_cast<long long>(qRed(e.colour)) * e.count;
            g += static_cast<long long>(qGreen(e.colour)) * e.count;
            b += static_cast<long long>(qBlue(e.colour)) * e.count;
            n += e.count;
        }
        palette.push_back(qRgb(static_cast<int>((r + n / 2) / n), static_cast<int>((g + n / 2) / n),
                               static_cast<int>((b + n / 2) / n)));
    }
    return palette;
}

int Nearest(const std::vector<QRgb>& palette, QRgb colour) {
    int best = 0;
    int bestDistance = 1 << 30;
    for (size_t i = 0; i < palette.size(); ++i) {
        const int dr = qRed(palette[i]) - qRed(colour);
        const int dg = qGreen(palette[i]) - qGreen(colour);
        const int db = qBlue(palette[i]) - qBlue(colour);
        const int d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<int>(i);
        }
    }
    return best;
}

QByteArray EncodeChat(int scale) {
    std::vector<std::vector<QRgb>> frames;
    for (size_t i = 0; i < kChatDelays.size(); ++i) {
        const int number = static_cast<int>(i) + 1;
        const bool hop = number == 4 || number == 6;
        frames.push_back(Flatten(DrawChatFrame(hop ? 2.0 : 0.0, scale)));
    }
    std::map<QRgb, int> histogram;
    for (const auto& frame : frames) {
        for (QRgb p : frame) {
            if (p != 0) {
                ++histogram[p];
            }
        }
    }
    const std::vector<QRgb> opaque = MedianCut(histogram, kChatColours - 1);

    GifAnimation gif;
    gif.width = kChatWidth * scale;
    gif.height = kChatHeight * scale;
    gif.transparentIndex = kChatTransparent;
    gif.loopCount = 0;
    gif.palette.assign(kChatColours, qRgb(0, 0, 0));
    // Palette slots in order, skipping the transparent one.
    std::vector<int> slotOf(opaque.size());
    for (size_t i = 0, slot = 0; i < opaque.size(); ++i, ++slot) {
        if (static_cast<int>(slot) == kChatTransparent) {
            ++slot;
        }
        slotOf[i] = static_cast<int>(slot);
        gif.palette[slot] = opaque[i];
    }
    gif.palette[kChatTransparent] = kChatMatte.rgb();
    for (size_t i = 0; i < frames.size(); ++i) {
        GifFrame frame;
        frame.delayHundredths = kChatDelays[i];
        for (QRgb p : frames[i]) {
            frame.indices.push_back(static_cast<unsigned char>(
                p == 0 ? kChatTransparent : slotOf[static_cast<size_t>(Nearest(opaque, p))]));
        }
        gif.frames.push_back(std::move(frame));
    }
    const QByteArray bytes = EncodeGif(gif);

    // Read it back the way the program will and compare every pixel of every frame.
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "gif");
    for (size_t i = 0; i < gif.frames.size(); ++i) {
        const QImage decoded = reader.read().convertToFormat(QImage::Format_ARGB32);
        if (decoded.size() != QSize(gif.width, gif.height)) {
            throw std::runtime_error("the chat button does not read back");
        }
        for (int y = 0; y < gif.height; ++y) {
            for (int x = 0; x < gif.width; ++x) {
                const int index = gif.frames[i].indices[static_cast<size_t>(y * gif.width + x)];
                const QRgb want = index == kChatTransparent
                                      ? 0u
                                      : (gif.palette[static_cast<size_t>(index)] | 0xFF000000u);
                const QRgb got = decoded.pixel(x, y);
                if ((qAlpha(want) == 0 && qAlpha(got) != 0) || (qAlpha(want) != 0 && got != want)) {
                    throw std::runtime_error("the chat button reads back with other pixels");
                }
            }
        }
    }
    return bytes;
}

QByteArray Jpeg(const QImage& drawn) {
    const QImage image = Plain(drawn);
    const QByteArray bytes = EncodeJpeg(image, kJpegQuality);
    if (DecodeJpeg(bytes).size() != image.size()) {
        throw std::runtime_error("a JPEG does not read back");
    }
    return bytes;
}

QByteArray Png(const QImage& drawn, bool interlaced) {
    const QImage image = Plain(drawn);
    const QByteArray bytes = EncodePng(image, interlaced);
    const QImage back = QImage::fromData(bytes, "png").convertToFormat(QImage::Format_RGBA8888);
    const QImage want = image.convertToFormat(QImage::Format_RGBA8888);
    if (back != want) {
        throw std::runtime_error("a PNG does not read back as drawn");
    }
    return bytes;
}

}  // namespace

std::vector<Artwork> DrawAllArtwork(int scale) {
    RequireFont(kHei);
    RequireFont(kSans);
    RequireFont(kSerif);
    std::vector<Artwork> all;
    const QString suffix = scale == 1 ? QString() : QStringLiteral("@%1X").arg(scale);
    auto add = [&all, &suffix](const char* name, Container container, QByteArray bytes,
                               const char* caption) {
        all.push_back({QString::fromLatin1(name) + suffix, container, std::move(bytes),
                       QString::fromUtf8(caption)});
    };
    add("HOMEBAK", Container::Jpeg, Jpeg(DrawHomebak(scale)), "tile background, in stock");
    add("HOMEBAK2", Container::Jpeg, Jpeg(DrawHomebak2(scale)), "tile background, sold out");
    add("HOMEBAK1", Container::PngInterlaced, Png(DrawHomebak1(scale), true), "price-row shade");
    add("BUT1", Container::PngInterlaced,
        Png(DrawButton(GoAndSee(Hex(0xFFF06A), Hex(0xFFCF0A)), scale), true), "go-and-see button");
    add("BUT2", Container::PngInterlaced,
        Png(DrawButton(GoAndSee(Hex(0xFFDE25), Hex(0xFFA801)), scale), true), "go-and-see, hover");
    add("C1", Container::Png, Png(DrawButton(Join(Hex(0xFFEF65), Hex(0xFFD30A)), scale), false),
        "join button");
    add("C2", Container::Png, Png(DrawButton(Join(Hex(0xFFDC23), Hex(0xFFB000)), scale), false),
        "join button, hover");
    add("D1", Container::Png, Png(DrawButton(Exit(Hex(0x6BAEEF), Hex(0x62A3ED)), scale), false),
        "exit button");
    add("D2", Container::Png, Png(DrawButton(Exit(Hex(0x5EA0EC), Hex(0x3D85D9)), scale), false),
        "exit button, hover");
    const QByteArray itembak = Png(DrawItembak(scale), false);
    add("ITEMBAK", Container::Png, itembak, "details background, in stock");
    add("ITEMBAK2", Container::Png, Png(DrawItembak2(scale), false),
        "details background, sold out");
    add("SPLASH", Container::Jpeg, Jpeg(DrawSplash(scale)), "splash background");
    add("FRMITEM_BACK", Container::Png, itembak, "details window, initial background");
    add("CHAT", Container::Gif, EncodeChat(scale), "chat button (7 frames)");
    add("ICON", Container::Png, Png(DrawIcon(48 * scale), false), "application icon");
    return all;
}

std::vector<Artwork> DrawDesktopIcons() {
    RequireFont(kSans);
    std::vector<Artwork> icons;
    for (const int size : kDesktopIconSizes) {
        icons.push_back({QStringLiteral("zorvia-%1.png").arg(size), Container::Png,
                         Png(DrawIcon(size), false), QStringLiteral("desktop icon %1").arg(size)});
    }
    return icons;
}

}  // namespace artgen
