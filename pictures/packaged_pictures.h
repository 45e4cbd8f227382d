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

// The decoded picture (JPEG through TJPEGImage, the rest through Qt), decoded once per process
// and shared: every caller gets a reference to the same pixels.
QImage PackagedImage(const QString& name);
