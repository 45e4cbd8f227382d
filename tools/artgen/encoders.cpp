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

namespace {

void PutShort(QByteArray& out, int value) {
    out.append(static_cast<char>(value & 0xFF));
    out.append(static_cast<char>((value >> 8) & 0xFF));
}

// Variable-width LZW as GIF wants it: codes packed least significant bit first, emitted in
// sub-blocks of at most 255 bytes.
class LzwPacker {
public:
    void Put(int code, int width) {
        m_bits |= static_cast<unsigned long long>(code) << m_count;
        m_count += width;
        while (m_count >= 8) {
            m_bytes.push_back(static_cast<unsigned char>(m_bits & 0xFF));
            m_bits >>= 8;
            m_count -= 8;
        }
    }
    void Finish(QByteArray& out) {
        if (m_count > 0) {
            m_bytes.push_back(static_cast<unsigned char>(m_bits & 0xFF));
        }
        for (size_t at = 0; at < m_bytes.size(); at += 255) {
            const size_t chunk = std::min<size_t>(255, m_bytes.size() - at);
            out.append(static_cast<char>(chunk));
            out.append(reinterpret_cast<const char*>(m_bytes.data() + at),
                       static_cast<qsizetype>(chunk));
        }
        out.append('\0');
    }

private:
    unsigned long long m_bits = 0;
    int m_count = 0;
    std::vector<unsigned char> m_bytes;
};

void EncodeLzw(const std::vector<unsigned char>& indices, int minCodeSize, QByteArray& out) {
    constexpr int kMaxCode = 4095;
    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    const int alphabet = 1 << minCodeSize;
    // next[code * alphabet + symbol] is the code of (code's string + symbol), 0 when absent.
    std::vector<unsigned short> next(static_cast<size_t>(kMaxCode + 1) * alphabet, 0);
    LzwPacker packer;
    int codeSize = minCodeSize + 1;
    int lastCode = endCode;
    packer.Put(clearCode, codeSize);
    int current = -1;
    for (unsigned char symbol : indices) {
        if (symbol >= alphabet) {
            throw std::runtime_error("GIF index outside the palette");
        }
        if (current < 0) {
            current = symbol;
            continue;
        }
        unsigned short& slot = next[static_cast<size_t>(current) * alphabet + symbol];
        if (slot != 0) {
            current = slot;
            continue;
        }
        packer.Put(current, codeSize);
        slot = static_cast<unsigned short>(++lastCode);
        if (lastCode >= (1 << codeSize) && codeSize < 12) {
            ++codeSize;
        }
        if (lastCode == kMaxCode) {
            packer.Put(clearCode, codeSize);
            std::fill(next.begin(), next.end(), 0);
            codeSize = minCodeSize + 1;
            lastCode = endCode;
        }
        current = symbol;
    }
    if (current >= 0) {
        packer.Put(current, codeSize);
    }
    packer.Put(endCode, codeSize);
    packer.Finish(out);
}

}  // namespace

QByteArray EncodeGif(const GifAnimation& animation) {
    const size_t colours = animation.palette.size();
    int tableBits = 0;
    while ((size_t{1} << (tableBits + 1)) < colours) {
        ++tableBits;
    }
    if (colours < 2 || colours > 256 || (size_t{1} << (tableBits + 1)) != colours) {
        throw std::runtime_error("GIF palette size must be a power of two from 2 to 256");
    }
    QByteArray out("GIF89a");
    PutShort(out, animation.width);
    PutShort(out, animation.height);
    // Global colour table present, colour resolution and table size both from the palette.
    out.append(static_cast<char>(0x80 | (tableBits << 4) | tableBits));
    out.append(static_cast<char>(animation.transparentIndex >= 0 ? animation.transparentIndex : 0));
    out.append('\0');
    for (QRgb colour : animation.palette) {
        out.append(static_cast<char>(qRed(colour)));
        out.append(static_cast<char>(qGreen(colour)));
        out.append(static_cast<char>(qBlue(colour)));
    }
    if (animation.frames.size() > 1) {
        out.append("\x21\xFF\x0B", 3);
        out.append("NETSCAPE2.0");
        out.append("\x03\x01", 2);
        PutShort(out, animation.loopCount);
        out.append('\0');
    }
    const int minCodeSize = std::max(2, tableBits + 1);
    for (const GifFrame& frame : animation.frames) {
        if (frame.indices.size() != static_cast<size_t>(animation.width * animation.height)) {
            throw std::runtime_error("GIF frame has the wrong number of pixels");
        }
        out.append("\x21\xF9\x04", 3);
        const bool transparent = animation.transparentIndex >= 0;
        out.append(static_cast<char>((2 << 2) | (transparent ? 1 : 0)));  // restore to background
        PutShort(out, frame.delayHundredths);
        out.append(static_cast<char>(transparent ? animation.transparentIndex : 0));
        out.append('\0');
        out.append('\x2C');
        PutShort(out, 0);
        PutShort(out, 0);
        PutShort(out, animation.width);
        PutShort(out, animation.height);
        out.append('\0');  // no local colour table, not interlaced
        out.append(static_cast<char>(minCodeSize));
        EncodeLzw(frame.indices, minCodeSize, out);
    }
    out.append('\x3B');
    return out;
}

}  // namespace artgen
