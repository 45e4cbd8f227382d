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

// Every packaged picture, in a fixed order, at 1x or at 2x (twice the pixels each way, named
// "<NAME>@2X", for screens with a device pixel ratio of 2). Throws std::runtime_error when a
// font is missing or an encoded picture does not read back as drawn.
std::vector<Artwork> DrawAllArtwork(int scale = 1);

// The application icon in the sizes of the desktop's icon theme, named "zorvia-<size>.png".
inline constexpr int kDesktopIconSizes[] = {48, 64, 128, 256};
std::vector<Artwork> DrawDesktopIcons();

}  // namespace artgen
