#pragma once
// The program asks for its fonts by their familiar names ("宋体", "黑体", "MS Sans Serif");
// these map them onto the faces a Debian desktop has.

#include <QFont>
#include <QString>

inline constexpr char kSongFace[] = "宋体";
inline constexpr char kHeiFace[] = "黑体";
inline constexpr char kSansFace[] = "MS Sans Serif";

// Registers the substitutions with Qt; call once after the application object exists.
void RegisterFontSubstitutions();

// A font of the given family and pixel height.
QFont PixelFont(const char* family, int pixelHeight, bool bold = false);
