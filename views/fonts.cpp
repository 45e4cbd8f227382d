#include "views/fonts.h"

#include <QStringList>

void RegisterFontSubstitutions() {
    QFont::insertSubstitutions(QString::fromUtf8(kSongFace),
                               QStringList() << QStringLiteral("AR PL UMing CN")
                                             << QStringLiteral("AR PL UMing TW")
                                             << QStringLiteral("WenQuanYi Zen Hei"));
    QFont::insertSubstitutions(
        QString::fromUtf8(kHeiFace),
        QStringList() << QStringLiteral("WenQuanYi Zen Hei") << QStringLiteral("AR PL UMing CN"));
    QFont::insertSubstitutions(
        QString::fromUtf8(kSansFace),
        QStringList() << QStringLiteral("DejaVu Sans") << QStringLiteral("WenQuanYi Zen Hei"));
}

QFont PixelFont(const char* family, int pixelHeight, bool bold) {
    QFont font(QString::fromUtf8(family));
    font.setPixelSize(pixelHeight);
    font.setBold(bold);
    return font;
}
