#pragma once
// File writers of the artwork generator. Each one produces exactly the container layout the
// program's decoders are built for: baseline JPEG with three components, 8-bit RGBA PNG (with or
// without Adam7 interlacing) and an animated GIF 89a with a fixed global palette.

#include <QByteArray>
#include <QImage>
#include <QRgb>

#include <vector>

namespace artgen {

// Baseline (sequential, Huffman) JPEG, YCbCr without chroma subsampling so that thin coloured
// frames and text keep their edges.
QByteArray EncodeJpeg(const QImage& image, int quality);

// Decodes a JPEG with libjpeg; used to check what was written and for the contact sheet.
QImage DecodeJpeg(const QByteArray& bytes);

// 8-bit RGBA PNG (colour type 6) with straight (not premultiplied) alpha.
QByteArray EncodePng(const QImage& image, bool interlaced);

struct GifFrame {
    std::vector<unsigned char> indices;  // width * height palette indices, row by row
    int delayHundredths = 0;
};

struct GifAnimation {
    int width = 0;
    int height = 0;
    std::vector<QRgb> palette;  // written as the global colour table; size must be a power of 2
    int transparentIndex = -1;  // also the background colour index
    int loopCount = 0;          // 0 repeats without end
    std::vector<GifFrame> frames;
};

// GIF 89a: NETSCAPE2.0 loop extension, then for every frame a graphic control extension
// (restore to background, the transparent index) and a full-size image with LZW data.
QByteArray EncodeGif(const GifAnimation& animation);

}  // namespace artgen
