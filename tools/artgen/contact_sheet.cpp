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
#include <QTemporaryDir>

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <utility>
#include <vector>

#include "deals/deal_clock.h"
#include "deals/picture_cache.h"
#include "encoders.h"
#include "services/date_time.h"
#include "views/frm_item.h"
#include "views/item_panel.h"

namespace artgen {

namespace {

const QColor kSheetBack(0xF4, 0xF3, 0xF0);
const QColor kInk(0x33, 0x33, 0x33);

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

// A deal picture stand-in for the tiles and the details window: a soft product-photo-like
// gradient.
QImage StandInPhoto(int size) {
    QImage photo(size, size, QImage::Format_RGB32);
    QPainter painter(&photo);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 250.0, size / 250.0);
    QLinearGradient sky(0, 0, 0, 250);
    sky.setColorAt(0, QColor(0xFD, 0xE9, 0xD6));
    sky.setColorAt(1, QColor(0xE7, 0xB8, 0x8F));
    painter.fillRect(QRect(0, 0, 250, 250), sky);
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

// One deal as the feed would give it.
struct SheetDeal {
    const char* shortTitle;
    const char* fullTitle;
    const char* nick;
    double price, sPrice;
    int32_t salesNum, stock;
    bool withPhoto;
};

const char kPhotoUrl[] = "http://artgen.invalid/bao/uploaded/sheet";

// The picture cache of the real widgets below: a folder of its own holding the stand-in photo
// in both sizes, so that no picture is ever downloaded.
class SheetPictureCache {
public:
    SheetPictureCache() {
        if (!m_folder.isValid())
            throw std::runtime_error("cannot create a picture cache folder");
        SetImageCacheDirForTesting(m_folder.path().toStdString());
        for (auto [suffix, size] :
             {std::pair{kTilePictureSuffix, 250}, std::pair{kDetailsPictureSuffix, 310}}) {
            QFile file(QString::fromStdString(CacheFilePath(kPhotoUrl, suffix)));
            const QByteArray jpeg = EncodeJpeg(StandInPhoto(size), 90);
            if (!file.open(QIODevice::WriteOnly) || file.write(jpeg) != jpeg.size())
                throw std::runtime_error("cannot write the stand-in photo");
        }
    }
    ~SheetPictureCache() { SetImageCacheDirForTesting(""); }

private:
    QTemporaryDir m_folder;
};

// The real tile, filled as the feed fills it.
QImage RealTile(const SheetDeal& deal) {
    TItemPanel tile;
    tile.setNick(deal.nick);
    tile.setShort_Title(deal.shortTitle);
    tile.setFull_Title(deal.fullTitle);
    tile.setPrice(deal.price);
    tile.setSPrice(deal.sPrice);
    tile.setSales_Num(deal.salesNum);
    tile.setStock(deal.stock);
    if (deal.withPhoto)
        tile.setImagefile(kPhotoUrl);
    return tile.grab().toImage();
}

// The real details window for the same deal, as a tile click opens it, one countdown step in.
QImage RealDetails(const SheetDeal& deal) {
    TfrmItem window(nullptr);
    const DateTime now = EncodeDateTime(2026, 12, 10, 12, 0, 0, 0);
    window.setStopTime(AddMilliseconds(now, ((26 * 60 + 5) * 60 + 41) * 1000 + 750));
    window.setCurTime(now);
    window.setPrice(deal.price);
    window.setSPrice(deal.sPrice);
    window.setSales_Num(deal.salesNum);
    window.setStock(deal.stock);
    window.setTitle(deal.fullTitle);
    if (deal.withPhoto)
        window.setImagefile(kPhotoUrl);
    window.setNick(deal.nick);
    window.Timer1Timer();
    return window.grab().toImage();
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

    // The real tile and details window, with the pictures compiled into this build.
    const SheetPictureCache cache;
    const SheetDeal waiting{"新疆阿克苏冰糖心苹果 5斤装",
                            "新疆阿克苏冰糖心苹果 5斤装 脆甜多汁",
                            "果园直供旗舰店",
                            29.9,
                            99,
                            123,
                            500,
                            false};
    const SheetDeal dear{"加厚羽绒服 男女同款",
                         "冬季加厚羽绒服男女同款中长款连帽外套 韩版宽松保暖面包服 限时团购包邮",
                         "羽绒服工厂店",
                         1899.99,
                         9999.99,
                         12345,
                         99999,
                         true};
    const SheetDeal soldOut{"手工红糖姜茶 12袋",
                            "手工红糖姜茶 12袋 古法熬制 暖胃驱寒",
                            "云南老字号",
                            19.9,
                            39.8,
                            500,
                            500,
                            true};
    cells.push_back(Framed(RealTile(waiting), 2, QStringLiteral("tile, waiting"),
                           QStringLiteral("in stock, no picture yet (×2)"), false));
    cells.push_back(Framed(RealTile(dear), 2, QStringLiteral("tile, in stock"),
                           QStringLiteral("four-digit prices, five-digit buyers (×2)"), false));
    cells.push_back(Framed(RealTile(soldOut), 2, QStringLiteral("tile, sold out"),
                           QStringLiteral("no buy button (×2)"), false));
    cells.push_back(Framed(RealDetails(waiting), 1, QStringLiteral("details, in stock"),
                           QStringLiteral("532 × 315 window, picture not loaded"), false));
    cells.push_back(Framed(RealDetails(dear), 1, QStringLiteral("details, two-line title"),
                           QStringLiteral("four-digit prices"), false));
    cells.push_back(Framed(RealDetails(soldOut), 1, QStringLiteral("details, sold out"),
                           QStringLiteral("532 × 315 window"), false));
    return Compose(cells, QString::fromUtf8("ZorviaⅡ — packaged pictures"), 1640);
}

}  // namespace artgen
