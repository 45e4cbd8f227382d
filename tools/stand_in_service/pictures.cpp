#include "pictures.h"

#include <QBuffer>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

// Everything is drawn on a 100 x 100 grid and scaled to the wanted size.
void DrawShirt(QPainter& p, const QColor& c, bool longSleeves) {
    QPainterPath body;
    body.moveTo(36, 18);
    body.lineTo(18, 26);
    body.lineTo(longSleeves ? 10 : 12, longSleeves ? 70 : 42);
    body.lineTo(longSleeves ? 20 : 25, longSleeves ? 72 : 46);
    body.lineTo(27, 40);
    body.lineTo(27, 84);
    body.lineTo(73, 84);
    body.lineTo(73, 40);
    body.lineTo(longSleeves ? 80 : 75, longSleeves ? 72 : 46);
    body.lineTo(longSleeves ? 90 : 88, longSleeves ? 70 : 42);
    body.lineTo(82, 26);
    body.lineTo(64, 18);
    body.cubicTo(60, 26, 40, 26, 36, 18);
    body.closeSubpath();
    p.setPen(QPen(c.darker(150), 1.2));
    p.setBrush(c);
    p.drawPath(body);
    p.setPen(QPen(c.darker(130), 1.0));
    p.drawArc(QRectF(40, 14, 20, 12), 200 * 16, 140 * 16);
}

void DrawDress(QPainter& p, const QColor& c) {
    QPainterPath dress;
    dress.moveTo(40, 14);
    dress.lineTo(60, 14);
    dress.lineTo(64, 38);
    dress.lineTo(80, 88);
    dress.lineTo(20, 88);
    dress.lineTo(36, 38);
    dress.closeSubpath();
    p.setPen(QPen(c.darker(150), 1.2));
    p.setBrush(c);
    p.drawPath(dress);
    p.setBrush(c.lighter(140));
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 9; ++i)
        p.drawEllipse(QPointF(30 + (i * 17) % 40, 50 + (i * 11) % 34), 2.2, 2.2);
    p.setBrush(c.darker(130));
    p.drawRect(QRectF(36, 36, 28, 4));
}

void DrawShoe(QPainter& p, const QColor& c) {
    QPainterPath shoe;
    shoe.moveTo(14, 62);
    shoe.cubicTo(14, 48, 30, 44, 38, 36);
    shoe.lineTo(52, 36);
    shoe.cubicTo(58, 48, 74, 52, 86, 58);
    shoe.cubicTo(90, 62, 90, 68, 86, 70);
    shoe.lineTo(16, 70);
    shoe.closeSubpath();
    p.setPen(QPen(c.darker(160), 1.2));
    p.setBrush(c);
    p.drawPath(shoe);
    p.setBrush(QColor(245, 245, 245));
    p.drawRoundedRect(QRectF(13, 68, 76, 7), 3, 3);
    p.setPen(QPen(c.darker(180), 1.0));
    for (int i = 0; i < 4; ++i)
        p.drawLine(QPointF(42 + i * 4, 42 + i * 2), QPointF(50 + i * 4, 40 + i * 2));
}

void DrawBag(QPainter& p, const QColor& c) {
    p.setPen(QPen(c.darker(160), 3));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(34, 14, 32, 34), 0, 180 * 16);
    p.setPen(QPen(c.darker(150), 1.2));
    QLinearGradient g(0, 30, 0, 86);
    g.setColorAt(0, c.lighter(120));
    g.setColorAt(1, c.darker(120));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(20, 30, 60, 54), 6, 6);
    p.setBrush(QColor(212, 175, 55));
    p.drawRect(QRectF(46, 40, 8, 6));
}

void DrawHeadphones(QPainter& p, const QColor& c) {
    p.setPen(QPen(c, 6, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(22, 16, 56, 60), 20 * 16, 140 * 16);
    p.setPen(QPen(c.darker(150), 1.2));
    p.setBrush(c);
    p.drawRoundedRect(QRectF(16, 46, 18, 30), 7, 7);
    p.drawRoundedRect(QRectF(66, 46, 18, 30), 7, 7);
    p.setBrush(c.lighter(170));
    p.drawEllipse(QRectF(20, 54, 10, 14));
    p.drawEllipse(QRectF(70, 54, 10, 14));
}

void DrawMug(QPainter& p, const QColor& c, int offset) {
    p.setPen(QPen(c.darker(150), 1.2));
    p.setBrush(QColor(250, 250, 248));
    p.drawRoundedRect(QRectF(18 + offset, 34, 30, 40), 3, 3);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(250, 250, 248).darker(130), 4));
    p.drawArc(QRectF(42 + offset, 42, 14, 20), -90 * 16, 180 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawEllipse(QRectF(25 + offset, 46, 16, 16));
}

void DrawSnack(QPainter& p, const QColor& c) {
    p.setPen(QPen(c.darker(150), 1.2));
    QLinearGradient g(20, 0, 80, 0);
    g.setColorAt(0, c.lighter(115));
    g.setColorAt(1, c.darker(115));
    p.setBrush(g);
    QPainterPath bag;
    bag.moveTo(26, 20);
    bag.lineTo(74, 20);
    bag.cubicTo(80, 40, 80, 70, 76, 86);
    bag.lineTo(24, 86);
    bag.cubicTo(20, 70, 20, 40, 26, 20);
    p.drawPath(bag);
    p.setBrush(QColor(255, 250, 230));
    p.drawEllipse(QRectF(34, 40, 32, 26));
    p.setBrush(QColor(150, 95, 45));
    for (int i = 0; i < 5; ++i)
        p.drawEllipse(QRectF(38 + i * 5, 48 + (i % 2) * 6, 6, 8));
}

void DrawBottle(QPainter& p, const QColor& c) {
    p.setPen(QPen(c.darker(160), 1.2));
    p.setBrush(QColor(60, 60, 60));
    p.drawRect(QRectF(43, 12, 14, 12));
    QLinearGradient g(34, 0, 66, 0);
    g.setColorAt(0, c.lighter(150));
    g.setColorAt(0.5, c);
    g.setColorAt(1, c.darker(130));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(34, 24, 32, 62), 8, 8);
    p.setBrush(QColor(255, 255, 255, 210));
    p.drawRect(QRectF(38, 46, 24, 20));
}

void DrawWatch(QPainter& p, const QColor& c) {
    p.setPen(Qt::NoPen);
    p.setBrush(c.darker(110));
    p.drawRoundedRect(QRectF(40, 8, 20, 84), 6, 6);
    p.setPen(QPen(QColor(180, 180, 185), 3));
    p.setBrush(QColor(250, 250, 252));
    p.drawEllipse(QRectF(28, 28, 44, 44));
    p.setPen(QPen(QColor(40, 40, 40), 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(50, 50), QPointF(50, 36));
    p.drawLine(QPointF(50, 50), QPointF(60, 54));
    for (int i = 0; i < 12; ++i) {
        p.save();
        p.translate(50, 50);
        p.rotate(i * 30);
        p.drawPoint(QPointF(0, -18));
        p.restore();
    }
}

void DrawPillow(QPainter& p, const QColor& c) {
    QPainterPath pillow;
    pillow.moveTo(14, 34);
    pillow.cubicTo(40, 26, 60, 26, 86, 34);
    pillow.cubicTo(90, 50, 90, 60, 86, 74);
    pillow.cubicTo(60, 82, 40, 82, 14, 74);
    pillow.cubicTo(10, 60, 10, 50, 14, 34);
    QLinearGradient g(0, 28, 0, 80);
    g.setColorAt(0, c.lighter(130));
    g.setColorAt(1, c.darker(110));
    p.setPen(QPen(c.darker(140), 1.2));
    p.setBrush(g);
    p.drawPath(pillow);
    p.setPen(QPen(c.darker(120), 0.8, Qt::DashLine));
    p.drawLine(QPointF(20, 54), QPointF(80, 54));
}

void DrawTea(QPainter& p, const QColor& c) {
    p.setPen(QPen(c.darker(150), 1.2));
    p.setBrush(c);
    p.drawRoundedRect(QRectF(28, 26, 44, 60), 4, 4);
    p.setBrush(QColor(212, 175, 55));
    p.drawRect(QRectF(26, 18, 48, 10));
    p.setBrush(QColor(250, 245, 225));
    p.drawEllipse(QRectF(36, 42, 28, 28));
    p.setPen(QPen(QColor(60, 120, 50), 2));
    p.drawLine(QPointF(44, 62), QPointF(56, 48));
    p.setBrush(QColor(90, 160, 70));
    p.drawEllipse(QRectF(50, 48, 8, 5));
}

void DrawLamp(QPainter& p, const QColor& c) {
    p.setPen(QPen(QColor(90, 90, 90), 3));
    p.drawLine(QPointF(50, 40), QPointF(50, 82));
    p.setPen(QPen(QColor(70, 70, 70), 1.2));
    p.setBrush(QColor(110, 110, 110));
    p.drawRoundedRect(QRectF(32, 80, 36, 8), 3, 3);
    QRadialGradient glow(50, 42, 30);
    glow.setColorAt(0, QColor(255, 250, 200, 180));
    glow.setColorAt(1, QColor(255, 250, 200, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(QRectF(20, 20, 60, 50));
    QPainterPath shade;
    shade.moveTo(36, 18);
    shade.lineTo(64, 18);
    shade.lineTo(74, 42);
    shade.lineTo(26, 42);
    shade.closeSubpath();
    p.setPen(QPen(c.darker(150), 1.2));
    p.setBrush(c);
    p.drawPath(shade);
}

void DrawPhone(QPainter& p, const QColor& c) {
    p.setPen(QPen(c.darker(170), 1.5));
    p.setBrush(c);
    p.drawRoundedRect(QRectF(32, 10, 36, 80), 7, 7);
    QLinearGradient screen(0, 16, 0, 80);
    screen.setColorAt(0, QColor(40, 90, 160));
    screen.setColorAt(1, QColor(20, 40, 80));
    p.setPen(Qt::NoPen);
    p.setBrush(screen);
    p.drawRoundedRect(QRectF(35, 16, 30, 66), 3, 3);
    p.setBrush(QColor(255, 255, 255, 90));
    p.drawEllipse(QRectF(46, 84, 8, 4));
}

}  // namespace

QImage DrawProductPicture(PictureKind kind, unsigned colour, int size, const QString& badge) {
    QImage picture(size, size, QImage::Format_RGB32);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient backdrop(0, 0, 0, size);
    backdrop.setColorAt(0, QColor(252, 252, 250));
    backdrop.setColorAt(1, QColor(226, 228, 232));
    p.fillRect(picture.rect(), backdrop);

    p.save();
    // The tile shows only the upper part of its 250-pixel picture above its price strip, so
    // there the product sits smaller and higher; the details window shows the whole picture.
    if (size <= 250) {
        p.translate(size * 0.16, size * -0.03);
        p.scale(size * 0.68 / 100.0, size * 0.68 / 100.0);
    } else {
        p.scale(size / 100.0, size / 100.0);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 28));
    p.drawEllipse(QRectF(18, 84, 64, 8));
    const QColor c(static_cast<QRgb>(colour));
    switch (kind) {
        case PictureKind::Shirt:
            DrawShirt(p, c, (colour & 1) != 0);
            break;
        case PictureKind::Dress:
            DrawDress(p, c);
            break;
        case PictureKind::Shoe:
            DrawShoe(p, c);
            break;
        case PictureKind::Bag:
            DrawBag(p, c);
            break;
        case PictureKind::Headphones:
            DrawHeadphones(p, c);
            break;
        case PictureKind::Mug:
            DrawMug(p, c, 2);
            DrawMug(p, c.lighter(130), 34);
            break;
        case PictureKind::Snack:
            DrawSnack(p, c);
            break;
        case PictureKind::Bottle:
            DrawBottle(p, c);
            break;
        case PictureKind::Watch:
            DrawWatch(p, c);
            break;
        case PictureKind::Pillow:
            DrawPillow(p, c);
            break;
        case PictureKind::Tea:
            DrawTea(p, c);
            break;
        case PictureKind::Lamp:
            DrawLamp(p, c);
            break;
        case PictureKind::Phone:
            DrawPhone(p, c);
            break;
    }
    p.restore();

    if (!badge.isEmpty()) {
        const int radius = size / 7;
        const QPointF centre(size - radius * 1.2, radius * 1.2);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(230, 40, 30));
        p.drawEllipse(centre, radius, radius);
        QFont font(QStringLiteral("WenQuanYi Zen Hei"));
        font.setPixelSize(qMax(10, radius * 2 / 3));
        font.setBold(true);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRectF(centre.x() - radius, centre.y() - radius, radius * 2, radius * 2),
                   Qt::AlignCenter, badge);
    }
    p.end();
    return picture;
}

QByteArray EncodeJpeg(const QImage& picture, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    writer.setProgressiveScanWrite(false);
    writer.setOptimizedWrite(false);
    writer.write(picture.convertToFormat(QImage::Format_RGB32));
    return bytes;
}
