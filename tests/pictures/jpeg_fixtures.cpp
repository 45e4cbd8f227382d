#include "jpeg_fixtures.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

QImage QuadrantPicture(int width, int height) {
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, QuadrantColour(width, height, x, y));
    // A busy strip along the bottom: flat areas alone compress to almost nothing.
    for (int y = height - height / 8; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, qRgb((x * 37 + y * 11) & 255, (x * 13) & 255, (y * 29) & 255));
    return picture;
}

QRgb QuadrantColour(int width, int height, int x, int y) {
    const bool right = x >= width / 2;
    const bool bottom = y >= height / 2;
    if (!right && !bottom)
        return qRgb(220, 30, 20);
    if (right && !bottom)
        return qRgb(30, 200, 40);
    if (!right && bottom)
        return qRgb(20, 40, 210);
    return qRgb(250, 250, 250);
}

QByteArray EncodeJpeg(const QImage& picture, JpegKind kind, int quality) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);  // a fixture that fails to encode ends the test run
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);

    const QImage rgb = picture.convertToFormat(QImage::Format_RGB32);
    cinfo.image_width = static_cast<JDIMENSION>(rgb.width());
    cinfo.image_height = static_cast<JDIMENSION>(rgb.height());
    switch (kind) {
        case JpegKind::Grayscale:
            cinfo.input_components = 1;
            cinfo.in_color_space = JCS_GRAYSCALE;
            break;
        case JpegKind::AdobeCmyk:
            cinfo.input_components = 4;
            cinfo.in_color_space = JCS_CMYK;
            break;
        default:
            cinfo.input_components = 3;
            cinfo.in_color_space = JCS_RGB;
    }
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (kind == JpegKind::Progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);

    std::vector<JSAMPLE> row(static_cast<size_t>(rgb.width()) * cinfo.input_components);
    while (cinfo.next_scanline < cinfo.image_height) {
        const auto* pixels = reinterpret_cast<const QRgb*>(rgb.constScanLine(cinfo.next_scanline));
        for (int x = 0; x < rgb.width(); ++x) {
            const QRgb p = pixels[x];
            switch (kind) {
                case JpegKind::Grayscale:
                    row[x] = static_cast<JSAMPLE>(qGray(p));
                    break;
                case JpegKind::AdobeCmyk:
                    // Stored inverted: 255 means no ink. No black ink at all.
                    row[x * 4 + 0] = static_cast<JSAMPLE>(qRed(p));
                    row[x * 4 + 1] = static_cast<JSAMPLE>(qGreen(p));
                    row[x * 4 + 2] = static_cast<JSAMPLE>(qBlue(p));
                    row[x * 4 + 3] = 255;
                    break;
                default:
                    row[x * 3 + 0] = static_cast<JSAMPLE>(qRed(p));
                    row[x * 3 + 1] = static_cast<JSAMPLE>(qGreen(p));
                    row[x * 3 + 2] = static_cast<JSAMPLE>(qBlue(p));
            }
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    QByteArray bytes(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(size));
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return bytes;
}
