#pragma once
// File writers of the artwork generator. Each one produces exactly the container layout the
// program's decoders are built for: baseline JPEG with three components and 8-bit RGBA PNG (with
// or without Adam7 interlacing). The animated GIF is written by tools/gif_writer.

#include <QByteArray>
#include <QImage>

namespace artgen {

// Baseline (sequential, Huffman) JPEG, YCbCr without chroma subsampling so that thin coloured
// frames and text keep their edges.
QByteArray EncodeJpeg(const QImage& image, int quality);

// Decodes a JPEG with libjpeg; used to check what was written and for the contact sheet.
QImage DecodeJpeg(const QByteArray& bytes);

// 8-bit RGBA PNG (colour type 6) with straight (not premultiplied) alpha.
QByteArray EncodePng(const QImage& image, bool interlaced);

}  // namespace artgen
