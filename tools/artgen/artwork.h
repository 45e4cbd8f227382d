#pragma once
// The program's artwork, drawn with QPainter and encoded in the container each picture's user
// expects. Needs a QGuiApplication (fonts) and the faces "WenQuanYi Zen Hei" and "DejaVu Sans".

#include <QByteArray>
#include <QString>

#include <vector>

namespace artgen {

enum class Container { Jpeg, Png, PngInterlaced, Gif };

struct Artwork {
    QString name;  // the packaged name, upper case, no extension
    Container container;
    QByteArray bytes;
    QString caption;  // one line for the contact sheet
};

// Every packaged picture, in a fixed order. Throws std::runtime_error when a font is missing or
// an encoded picture does not read back as drawn.
std::vector<Artwork> DrawAllArtwork();

}  // namespace artgen
