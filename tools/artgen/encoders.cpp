#include "encoders.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include <jpeglib.h>
#include <png.h>
#include <setjmp.h>

namespace artgen {

namespace {

struct JpegErrorTrap {
    jpeg_error_mgr manager;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void JpegFail(j_common_ptr info) {
    auto* trap = reinterpret_cast<JpegErrorTrap*>(info->err);
    (*info->err->format_message)(info, trap->message);
    longjmp(trap->jump, 1);
}

}  // namespace

QByteArray EncodeJpeg(const QImage& image, int quality) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    jpeg_compress_struct info;
    JpegErrorTrap trap;
    info.err = jpeg_std_error(&trap.manager);
    trap.manager.error_exit = JpegFail;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    if (setjmp(trap.jump)) {
        jpeg_destroy_compress(&info);
        std::free(buffer);
        throw std::runtime_error(std::string("JPEG encoding failed: ") + trap.message);
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(rgb.width());
    info.image_height = static_cast<JDIMENSION>(rgb.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    for (int c = 0; c < 3; ++c) {
        info.comp_info[c].h_samp_factor = 1;
        info.comp_info[c].v_samp_factor = 1;
    }
    info.optimize_coding = TRUE;
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row =
            const_cast<JSAMPROW>(rgb.constScanLine(static_cast<int>(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    QByteArray bytes(reinterpret_cast<const char*>(buffer), static_cast<qsizetype>(size));
    std::free(buffer);
    return bytes;
}

QImage DecodeJpeg(const QByteArray& bytes) {
    jpeg_decompress_struct info;
    JpegErrorTrap trap;
    info.err = jpeg_std_error(&trap.manager);
    trap.manager.error_exit = JpegFail;
    QImage image;
    if (setjmp(trap.jump)) {
        jpeg_destroy_decompress(&info);
        throw std::runtime_error(std::string("JPEG decoding failed: ") + trap.message);
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.constData()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    image = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                   QImage::Format_RGB888);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image.scanLine(static_cast<int>(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return image;
}

namespace {

void PngAppend(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<QByteArray*>(png_get_io_ptr(png));
    out->append(reinterpret_cast<const char*>(data), static_cast<qsizetype>(length));
}

void PngFlush(png_structp) {}

}  // namespace

QByteArray EncodePng(const QImage& image, bool interlaced) {
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    QByteArray out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) {
        throw std::runtime_error("PNG writer could not be created");
    }
    png_infop pngInfo = png_create_info_struct(png);
    if (!pngInfo || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &pngInfo);
        throw std::runtime_error("PNG encoding failed");
    }
    png_set_write_fn(png, &out, PngAppend, PngFlush);
    png_set_compression_level(png, 9);
    png_set_IHDR(png, pngInfo, static_cast<png_uint_32>(rgba.width()),
                 static_cast<png_uint_32>(rgba.height()), 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_bytep> rows(static_cast<size_t>(rgba.height()));
    for (int y = 0; y < rgba.height(); ++y) {
        rows[static_cast<size_t>(y)] = const_cast<png_bytep>(rgba.constScanLine(y));
    }
    png_set_rows(png, pngInfo, rows.data());
    // png_write_png runs the Adam7 passes itself when the header asks for interlacing.
    png_write_png(png, pngInfo, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &pngInfo);
    return out;
}

}  // namespace artgen
