#include "contact_sheet.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QImageReader>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "encoders.h"

namespace artgen {

namespace {

const QColor kSheetBack(0xF4, 0xF3, 0xF0);
const QColor kInk(0x33, 0x33, 0x33);
const QColor kButtonFace(0xEF, 0xEF, 0xEF);

QByteArray ReadAll(const QString& folder, const QString& name) {
    QFile file(QDir(folder).filePath(name));
    if (!file.open(QIODevice::ReadOnly)) {
        throw std::runtime_error("missing picture " + name.toStdString());
    }
    return file.readAll();
}

QImage Picture(const QString& folder, const QString& name) {
    const QByteArray bytes = ReadAll(folder, name);
    QImage image = bytes.startsWith("\xFF\xD8") ? DecodeJpeg(bytes) : QImage::fromData(bytes);
    if (image.isNull()) {
        throw std::runtime_error("unreadable picture " + name.toStdString());
    }
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

std::vector<QImage> Frames(const QString& folder, const QString& name) {
    QBuffer buffer;
    buffer.setData(ReadAll(folder, name));
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    std::vector<QImage> frames;
    for (QImage frame = reader.read(); !frame.isNull(); frame = reader.read()) {
        frames.push_back(frame.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    }
    return frames;
}

QFont SheetFont(int pixels, bool bold = false, const char* family = "DejaVu Sans") {
    QFont font(QString::fromLatin1(family));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

QImage Checkerboard(QSize size, int cell) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const bool dark = ((x / cell) + (y / cell)) % 2 == 1;
            image.setPixel(x, y, dark ? qRgb(0xC8, 0xC8, 0xC8) : qRgb(0xFA, 0xFA, 0xFA));
        }
    }
    return image;
}

// Nearest-neighbour enlargement, so that single pixels stay visible as squares.
QImage Enlarge(const QImage& image, int factor) {
    return factor == 1
               ? image
               : image.scaled(image.size() * factor, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

struct Cell {
    QImage picture;  // already composed and scaled
    QString title;
    QString detail;
};

Cell Framed(const QImage& image, int factor, const QString& title, const QString& detail,
            bool checkerboard) {
    const QImage big = Enlarge(image, factor);
    QImage cell = checkerboard ? Checkerboard(big.size(), 6)
                               : QImage(big.size(), QImage::Format_ARGB32_Premultiplied);
    if (!checkerboard) {
        cell.fill(Qt::white);
    }
    QPainter painter(&cell);
    painter.drawImage(0, 0, big);
    painter.end();
    return {cell, title, detail};
}

QString Dimensions(const QImage& image) {
    return QStringLiteral("%1 × %2").arg(image.width()).arg(image.height());
}

// A deal picture stand-in for the mock tiles: a soft product-photo-like gradient.
QImage StandInPhoto() {
    QImage photo(250, 250, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&photo);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 250);
    sky.setColorAt(0, QColor(0xFD, 0xE9, 0xD6));
    sky.setColorAt(1, QColor(0xE7, 0xB8, 0x8F));
    painter.fillRect(photo.rect(), sky);
    QRadialGradient fruit(QPointF(110, 95), 70);
    fruit.setColorAt(0, QColor(0xFF, 0x9A, 0x4A));
    fruit.setColorAt(1, QColor(0xC4, 0x3C, 0x12));
    painter.setBrush(fruit);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(QPointF(125, 110), 68, 64);
    painter.setBrush(QColor(0x4E, 0x8A, 0x2C));
    painter.drawEllipse(QPointF(140, 46), 16, 7);
    return photo;
}

// The tile as it stacks its pictures and labels, for judging the artwork in place.
QImage MockTile(const QString& folder, bool inStock, bool withPhoto) {
    QImage tile(260, 260, QImage::Format_ARGB32_Premultiplied);
    tile.fill(kButtonFace);
    QPainter painter(&tile);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(Qt::white);
    painter.drawLine(0, 0, 259, 0);
    painter.drawLine(0, 0, 0, 259);
    painter.setPen(QColor(0xA0, 0xA0, 0xA0));
    painter.drawLine(259, 0, 259, 259);
    painter.drawLine(0, 259, 259, 259);
    painter.setFont(SheetFont(19, true, "AR PL UMing CN"));
    painter.setPen(QColor(0x66, 0x66, 0x66));
    painter.drawText(
        QRect(5, 14, 250, 22), Qt::AlignLeft | Qt::AlignVCenter,
        QString::fromUtf8(inStock ? "新疆阿克苏冰糖心苹果 5斤装" : "手工红糖姜茶 12袋"));
    painter.drawImage(4, 44, Picture(folder, inStock ? "HOMEBAK" : "HOMEBAK2"));
    if (withPhoto) {
        painter.save();
        painter.setClipRect(5, 45, 250, 167);
        painter.drawImage(5, 45, StandInPhoto());
        painter.restore();
    }
    painter.drawImage(5, 188, Picture(folder, "HOMEBAK1"));
    const QFont small = SheetFont(13, false, "AR PL UMing CN");
    QFont struck = small;
    struck.setStrikeOut(true);
    QFont boldSmall = small;
    boldSmall.setBold(true);
    auto label = [&painter](int x, int y, const QFont& font, const QColor& colour,
                            const QString& text) {
        painter.setFont(font);
        painter.setPen(colour);
        painter.drawText(QPoint(x, y + QFontMetrics(font).ascent()), text);
    };
    label(8, 194, small, Qt::white, QString::fromUtf8("原价"));
    label(34, 194, struck, Qt::white, QStringLiteral("99.00"));
    label(71, 194, small, Qt::white, QString::fromUtf8("元 3.0折"));
    label(174, 194, boldSmall, QColor(0xB0, 0xE5, 0x53), QStringLiteral("123"));
    label(200, 194, small, Qt::white, QString::fromUtf8("人已购买"));
    label(10, 220, SheetFont(27, true, "AR PL UMing CN"), Qt::white, QString::fromUtf8("￥29.90"));
    if (inStock) {
        painter.drawImage(168, 220, Picture(folder, "BUT1"));
    }
    return tile;
}

// The details window's lower layers with a few of its labels.
QImage MockDetails(const QString& folder, bool inStock) {
    QImage window(532, 315, QImage::Format_ARGB32_Premultiplied);
    window.fill(Qt::white);
    QPainter painter(&window);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.drawImage(1, 63, Picture(folder, inStock ? "ITEMBAK" : "ITEMBAK2"));
    painter.fillRect(QRect(1, 1, 530, 62), QColor(0xFF, 0xFF, 0xAE));
    painter.setPen(QColor(0x99, 0x99, 0x99));
    painter.drawRect(QRect(1, 1, 529, 61));
    auto label = [&painter](int x, int y, const QFont& font, const QColor& colour,
                            const QString& text) {
        painter.setFont(font);
        painter.setPen(colour);
        painter.drawText(QPoint(x, y + QFontMetrics(font).ascent()), text);
    };
    const QColor grey(0x66, 0x66, 0x66);
    label(6, 8, SheetFont(27, false, "WenQuanYi Zen Hei"), grey,
          QString::fromUtf8("新疆阿克苏冰糖心苹果 5斤装 脆甜多汁"));
    label(9, 74, SheetFont(24, true, "WenQuanYi Zen Hei"), Qt::white, QString::fromUtf8("￥31.00"));
    const QFont sans = SheetFont(11);
    label(33, 119, sans, grey, QString::fromUtf8("原价"));
    label(97, 119, sans, grey, QString::fromUtf8("折扣"));
    label(161, 119, sans, grey, QString::fromUtf8("节省"));
    QFont bold = SheetFont(13, true);
    QFont struck = bold;
    struck.setStrikeOut(true);
    label(16, 145, struck, grey, QString::fromUtf8("￥100.00"));
    label(98, 145, bold, grey, QStringLiteral("3.1"));
    label(150, 145, bold, grey, QString::fromUtf8("￥69.00"));
    label(86, 191, SheetFont(24, true, "WenQuanYi Zen Hei"), QColor(0x7F, 0xA6, 0x00),
          QStringLiteral("123"));
    const QFont song = SheetFont(16, false, "AR PL UMing CN");
    label(129, 197, song, grey, QString::fromUtf8("人已购买"));
    label(22, 242, song, grey,
          QString::fromUtf8(inStock ? "数量有限,赶快下单吧!" : "已经卖光啦,下次早点来吧!"));
    label(6, 286, song, grey, QString::fromUtf8("剩余时间    小时   分     秒"));
    const QFont count = SheetFont(16, true);
    painter.fillRect(QRect(69, 283, 34, 20), Qt::white);
    painter.fillRect(QRect(136, 283, 21, 20), Qt::white);
    painter.fillRect(QRect(175, 283, 36, 20), Qt::white);
    label(78, 283, count, QColor(0x80, 0, 0), QStringLiteral("26"));
    label(141, 283, count, QColor(0x80, 0, 0), QStringLiteral("5"));
    label(180, 283, count, QColor(0x80, 0, 0), QStringLiteral("41.7"));
    painter.drawImage(236, 284, Frames(folder, "CHAT").front());
    QFont nick = SheetFont(14, false, "AR PL UMing CN");
    nick.setUnderline(true);
    label(321, 287, nick, QColor(0, 0, 0x80), QString::fromUtf8("果园直供旗舰店"));
    if (inStock) {
        painter.drawImage(143, 70, Picture(folder, "C1"));
    }
    painter.drawImage(465, 283, Picture(folder, "D1"));
    return window;
}

// Lays the cells out in rows of at most `width` pixels.
QImage Compose(const std::vector<Cell>& cells, const QString& heading, int width) {
    constexpr int kGap = 22;
    constexpr int kCaption = 38;
    struct Placed {
        const Cell* cell;
        QPoint at;
    };
    std::vector<Placed> placed;
    int x = kGap;
    int y = 64;
    int rowHeight = 0;
    for (const Cell& cell : cells) {
        const int w = std::max(cell.picture.width(), 150);
        if (x + w + kGap > width && x > kGap) {
            x = kGap;
            y += rowHeight + kCaption + kGap;
            rowHeight = 0;
        }
        placed.push_back({&cell, QPoint(x, y)});
        x += w + kGap;
        rowHeight = std::max(rowHeight, cell.picture.height());
    }
    const int height = y + rowHeight + kCaption + kGap;
    QImage sheet(width, height, QImage::Format_RGB32);
    sheet.fill(kSheetBack);
    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(SheetFont(22, true, "DejaVu Serif"));  // its Ⅱ has the joining bars
    painter.setPen(kInk);
    painter.drawText(QPoint(kGap, 40), heading);
    for (const Placed& p : placed) {
        const QImage& picture = p.cell->picture;
        painter.setPen(QColor(0xBB, 0xBB, 0xBB));
        painter.drawRect(QRect(p.at - QPoint(1, 1), picture.size() + QSize(1, 1)));
        painter.drawImage(p.at, picture);
        painter.setPen(kInk);
        painter.setFont(SheetFont(13, true));
        painter.drawText(p.at + QPoint(0, picture.height() + 17), p.cell->title);
        painter.setFont(SheetFont(11));
        painter.setPen(QColor(0x66, 0x66, 0x66));
        painter.drawText(p.at + QPoint(0, picture.height() + 32), p.cell->detail);
    }
    return sheet;
}

}  // namespace

QImage RenderContactSheet(const QString& folder) {
    std::vector<Cell> cells;
    auto still = [&](const char* name, const char* what, int factor, bool transparent) {
        const QImage image = Picture(folder, QString::fromLatin1(name));
        QString detail = Dimensions(image) + QStringLiteral(" — ") + QString::fromUtf8(what);
        if (factor > 1) {
            detail += QStringLiteral(" (×%1)").arg(factor);
        }
        cells.push_back(Framed(image, factor, QString::fromLatin1(name), detail, transparent));
    };
    still("HOMEBAK", "JPEG, tile in stock", 2, false);
    still("HOMEBAK2", "JPEG, tile sold out", 2, false);
    still("SPLASH", "JPEG, splash", 1, false);
    still("ITEMBAK", "PNG, details in stock", 1, false);
    still("ITEMBAK2", "PNG, details sold out", 1, false);
    still("FRMITEM_BACK", "PNG, = ITEMBAK", 1, false);
    still("HOMEBAK1", "PNG interlaced, shade strip", 1, true);
    still("BUT1", "PNG interlaced", 3, true);
    still("BUT2", "PNG interlaced", 3, true);
    still("C1", "PNG", 3, true);
    still("C2", "PNG", 3, true);
    still("D1", "PNG", 3, true);
    still("D2", "PNG", 3, true);
    still("ICON", "PNG, application icon", 4, true);

    // The chat button, every frame with its delay.
    const std::vector<QImage> frames = Frames(folder, QStringLiteral("CHAT"));
    const int delays[] = {100, 50, 10, 10, 10, 10, 100};
    for (size_t i = 0; i < frames.size(); ++i) {
        cells.push_back(Framed(frames[i], 3, QStringLiteral("CHAT frame %1").arg(i + 1),
                               QStringLiteral("%1 × %2 GIF, %3 cs (×3)")
                                   .arg(frames[i].width())
                                   .arg(frames[i].height())
                                   .arg(i < 7 ? delays[i] : 0),
                               true));
    }

    // The translucent strip over white and black, and the buttons over the tile's red band.
    {
        const QImage strip = Picture(folder, QStringLiteral("HOMEBAK1"));
        QImage onBoth(250, 60, QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&onBoth);
        painter.fillRect(0, 0, 125, 60, Qt::white);
        painter.fillRect(125, 0, 125, 60, Qt::black);
        painter.drawImage(0, 18, strip);
        painter.end();
        cells.push_back(Framed(onBoth, 1, QStringLiteral("HOMEBAK1 over white / black"),
                               QStringLiteral("≈ (167,167,166) / (75,75,74)"), false));
        const QImage band = Picture(folder, QStringLiteral("HOMEBAK")).copy(0, 168, 252, 43);
        QImage buttons(200, 43, QImage::Format_ARGB32_Premultiplied);
        painter.begin(&buttons);
        painter.drawImage(0, 0, band);
        painter.drawImage(10, 7, Picture(folder, QStringLiteral("BUT1")));
        painter.drawImage(108, 7, Picture(folder, QStringLiteral("BUT2")));
        painter.end();
        cells.push_back(Framed(buttons, 3, QStringLiteral("BUT1, BUT2 on the band"),
                               QStringLiteral("corners show the band (×3)"), false));
    }

    cells.push_back(Framed(MockTile(folder, true, false), 2, QStringLiteral("tile, waiting"),
                           QStringLiteral("in stock, no picture yet (×2)"), false));
    cells.push_back(Framed(MockTile(folder, true, true), 2, QStringLiteral("tile, in stock"),
                           QStringLiteral("with a stand-in deal picture (×2)"), false));
    cells.push_back(Framed(MockTile(folder, false, true), 2, QStringLiteral("tile, sold out"),
                           QStringLiteral("no buy button (×2)"), false));
    cells.push_back(Framed(MockDetails(folder, true), 1, QStringLiteral("details, in stock"),
                           QStringLiteral("532 × 315 window, picture not loaded"), false));
    cells.push_back(Framed(MockDetails(folder, false), 1, QStringLiteral("details, sold out"),
                           QStringLiteral("532 × 315 window"), false));
    return Compose(cells, QString::fromUtf8("ZorviaⅡ — packaged pictures"), 1640);
}

}  // namespace artgen
