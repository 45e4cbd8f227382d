#include "views/fonts.h"

#include <QStringList>

// The faces are chosen by their metrics, so that every laid-out text fits its box as it did with
// the original fonts:
// - 宋体 (SimSun): AR PL UMing, a Song face whose Latin letters and digits are half an em wide,
//   as SimSun's are.
// - 黑体 (SimHei): WenQuanYi Zen Hei Mono, the Hei face with half-em Latin letters and digits as
//   SimHei has; the proportional Zen Hei draws digits 0.6 em wide, too wide for the buyer count
//   that ends 12 px per digit before its caption. Its line spacing (1.33 em) is taller than
//   SimHei's, so the title box sets its own line height.
// - MS Sans Serif: Nimbus Sans (or Liberation Sans), Helvetica/Arial widths, as narrow as MS Sans
//   Serif's; Chinese characters and "￥" in it come from the Song face, as on a Chinese system.
void RegisterFontSubstitutions() {
    QFont::insertSubstitutions(QString::fromUtf8(kSongFace),
                               QStringList() << QStringLiteral("AR PL UMing CN")
                                             << QStringLiteral("AR PL UMing TW")
                                             << QStringLiteral("WenQuanYi Zen Hei Mono"));
    QFont::insertSubstitutions(QString::fromUtf8(kHeiFace),
                               QStringList() << QStringLiteral("WenQuanYi Zen Hei Mono")
                                             << QStringLiteral("WenQuanYi Zen Hei")
                                             << QStringLiteral("AR PL UMing CN"));
    QFont::insertSubstitutions(
        QString::fromUtf8(kSansFace),
        QStringList() << QStringLiteral("Nimbus Sans") << QStringLiteral("Liberation Sans")
                      << QStringLiteral("AR PL UMing CN") << QStringLiteral("WenQuanYi Zen Hei"));
}

QFont PixelFont(const char* family, int pixelHeight, bool bold) {
    QFont font(QString::fromUtf8(family));
    font.setPixelSize(pixelHeight);
    font.setBold(bold);
    return font;
}
