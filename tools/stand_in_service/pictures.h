#pragma once
// Product pictures of the stand-in service, drawn rather than stored: a studio-like backdrop,
// the product's silhouette in its colour, and a small sale badge.

#include <QByteArray>
#include <QImage>
#include <QString>

#include "catalogue.h"

QImage DrawProductPicture(PictureKind kind, unsigned colour, int size, const QString& badge);

// Baseline JPEG, three colour components.
QByteArray EncodeJpeg(const QImage& picture, int quality = 88);
