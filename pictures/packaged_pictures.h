#pragma once
// The pictures packaged with the program (Qt resources under :/myimage/ in upper case), found by
// name whatever the letter case. Names: "homebak", "homebak2", "homebak1", "but1", "but2", "c1",
// "c2", "d1", "d2", "itembak", "itembak2", and the window-layout pictures "splash" (JPEG),
// "frmitem_back" (the details window's initial background), "chat" (animated GIF) and "icon".

#include <QByteArray>
#include <QImage>
#include <QString>

// The file's bytes; empty when there is no such picture.
QByteArray PackagedPictureBytes(const QString& name);

// Every picture is also packaged at twice the size as "<name>@2X", for screens with a device
// pixel ratio of 2. The scale of the copies that suit screens of the given ratio: 2 from a ratio
// of 1.5 on (Qt rounds such fractional ratios up), else 1.
int PackagedPictureScale(qreal screenRatio);

// The decoded picture (JPEG through TJPEGImage, the rest through Qt), decoded once per process
// and shared: every caller gets a reference to the same pixels. The copy suits the application's
// screens (QGuiApplication::devicePixelRatio); a 2x copy carries a device pixel ratio of 2, so
// its size in device-independent pixels, and so every layout, stays that of the 1x picture.
QImage PackagedImage(const QString& name);
QImage PackagedImage(const QString& name, qreal screenRatio);
