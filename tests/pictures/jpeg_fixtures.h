#pragma once
// JPEG files made on the spot with libjpeg's own compressor, so the decoding tests need no
// stored samples.

#include <QByteArray>
#include <QImage>

enum class JpegKind {
    Baseline,     // 3 components, sequential
    Progressive,  // 3 components, several scans
    Grayscale,    // 1 component
    AdobeCmyk,    // 4 components, inverted inks as Adobe writers store them
};

QByteArray EncodeJpeg(const QImage& picture, JpegKind kind, int quality = 95);

// A picture with four flat quadrants (red, green, blue, white) and a fine pattern in the
// bottom rows, so that files made from it have real scan data worth truncating.
QImage QuadrantPicture(int width, int height);
// Colour of the quadrant that holds (x, y) in QuadrantPicture.
QRgb QuadrantColour(int width, int height, int x, int y);
