#include "pictures/jpeg_image.h"

#include <QFile>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>

// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>
// After jpeglib.h, jerror.h gives the message codes as an enum.
#include <jerror.h>

JpegError::JpegError(int code) : ZorviaError("JPEG error #" + std::to_string(code)), m_code(code) {}

namespace {

// A picture larger than this is refused before any pixel memory is taken: deal pictures and
// packaged backgrounds are a few hundred pixels a side, and a header may claim up to 65500 x
// 65500 (16 GB of pixels) in a few hundred bytes.
constexpr unsigned long long kMaxPixels = 8192ull * 8192ull;

// Everything the library touches lives here, in the caller's frame, so that nothing in the
// frame holding the jump buffer changes between setjmp and longjmp.
struct DecoderState {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    std::jmp_buf jump;
};

DecoderState* StateOf(j_common_ptr cinfo) {
    // cinfo is the first member of DecoderState.
    return reinterpret_cast<DecoderState*>(cinfo);
}

[[noreturn]] void OnFatalError(j_common_ptr cinfo) {
    std::longjmp(StateOf(cinfo)->jump, 1);
}

// Internal memory of the decoder for a picture decoded to be shown in a box: enough for a
// progressive picture of about a million pixels, whose scans are gathered whole before the
// first row comes out. A larger one cannot be decoded (the library has no backing store).
constexpr long kShownDecoderMemory = 8L * 1024 * 1024;

void OnMessage(j_common_ptr cinfo, int level) {
    if (level >= 0)
        return;  // trace output
    // Warnings leave a usable picture: stray bytes between markers, and a file that ends
    // early (the memory source pads it with an end marker; the rows it lacks come out grey).
    // Downloads cut short never become cache files, so such a file is what the server sent,
    // most often a whole picture that only lacks its end marker.
    cinfo->err->num_warnings++;
}

// Gives memory for width x height pixels of 32-bit 0xffRRGGBB words, or nullptr.
using AllocateFn = unsigned char* (*)(void* context, int width, int height, size_t* bytesPerLine);

#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr J_COLOR_SPACE kNativeRgb32 = JCS_EXT_BGRA;
#else
constexpr J_COLOR_SPACE kNativeRgb32 = JCS_EXT_ARGB;
#endif

void StoreCmykRow(const JSAMPLE* in, unsigned width, bool inverted, unsigned char* out) {
    auto* pixels = reinterpret_cast<uint32_t*>(out);
    for (unsigned x = 0; x < width; ++x, in += 4) {
        unsigned c = in[0], m = in[1], y = in[2], k = in[3];
        // Adobe writers store the inks inverted, so a stored value already says how much
        // light is left; other writers store the ink itself.
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        pixels[x] = 0xff000000u | ((c * k / 255) << 16) | ((m * k / 255) << 8) | (y * k / 255);
    }
}

// The whole decode. No object with a destructor may live in this frame: the error handler
// jumps straight back into it. On failure *code is the library's message code. With shownWidth
// and shownHeight above 0 only the top-left part a box of that size shows is decoded.
bool DecodeRaw(DecoderState* s, const unsigned char* data, unsigned long size, AllocateFn allocate,
               void* context, int* code, JDIMENSION shownWidth, JDIMENSION shownHeight) {
    std::memset(&s->cinfo, 0, sizeof s->cinfo);
    s->cinfo.err = jpeg_std_error(&s->err);
    s->err.error_exit = OnFatalError;
    s->err.emit_message = OnMessage;
    if (setjmp(s->jump)) {
        *code = s->err.msg_code;
        jpeg_destroy_decompress(&s->cinfo);  // safe on a half-made or never-made decompressor
        return false;
    }

    jpeg_create_decompress(&s->cinfo);
    const bool shown = shownWidth > 0 && shownHeight > 0;
    if (shown)
        s->cinfo.mem->max_memory_to_use = kShownDecoderMemory;
    jpeg_mem_src(&s->cinfo, data, size);
    jpeg_read_header(&s->cinfo, TRUE);

    const bool cmyk =
        s->cinfo.jpeg_color_space == JCS_CMYK || s->cinfo.jpeg_color_space == JCS_YCCK;
    s->cinfo.out_color_space = cmyk ? JCS_CMYK : kNativeRgb32;
    // A progressive file is never shown scan by scan: it is decoded whole, the library
    // gathering its scans itself as long as buffered-image mode stays off.
    if (jpeg_has_multiple_scans(&s->cinfo))
        s->cinfo.buffered_image = FALSE;
    jpeg_calc_output_dimensions(&s->cinfo);

    if (s->cinfo.output_width == 0 || s->cinfo.output_height == 0 ||
        static_cast<unsigned long long>(s->cinfo.output_width) * s->cinfo.output_height >
            kMaxPixels) {
        s->err.msg_code = JERR_IMAGE_TOO_BIG;
        s->err.msg_parm.i[0] = JPEG_MAX_DIMENSION;
        s->err.error_exit(reinterpret_cast<j_common_ptr>(&s->cinfo));
    }

    jpeg_start_decompress(&s->cinfo);
    // What lies beyond the box is never decoded: the columns are cropped (the library widens
    // the crop to its block boundary) and decoding stops after the last row shown.
    if (shown && s->cinfo.output_width > shownWidth) {
        JDIMENSION left = 0;
        JDIMENSION cropWidth = shownWidth;
        jpeg_crop_scanline(&s->cinfo, &left, &cropWidth);
    }
    const JDIMENSION width = s->cinfo.output_width;
    const JDIMENSION height =
        shown && s->cinfo.output_height > shownHeight ? shownHeight : s->cinfo.output_height;
    size_t bytesPerLine = 0;
    unsigned char* bits =
        allocate(context, static_cast<int>(width), static_cast<int>(height), &bytesPerLine);
    if (!bits) {
        s->err.msg_code = JERR_OUT_OF_MEMORY;
        s->err.msg_parm.i[0] = 0;
        s->err.error_exit(reinterpret_cast<j_common_ptr>(&s->cinfo));
    }

    if (cmyk) {
        JSAMPARRAY row = (*s->cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&s->cinfo),
                                                       JPOOL_IMAGE, width * 4, 1);
        const bool inverted = s->cinfo.saw_Adobe_marker;
        while (s->cinfo.output_scanline < height) {
            const JDIMENSION y = s->cinfo.output_scanline;
            if (jpeg_read_scanlines(&s->cinfo, row, 1) != 1)
                break;
            StoreCmykRow(row[0], width, inverted, bits + y * bytesPerLine);
        }
    } else {
        // The library writes straight into the picture, a few rows per call.
        JSAMPROW rows[8];
        while (s->cinfo.output_scanline < height) {
            const JDIMENSION y = s->cinfo.output_scanline;
            JDIMENSION n = height - y;
            if (n > 8)
                n = 8;
            for (JDIMENSION i = 0; i < n; ++i)
                rows[i] = bits + (y + i) * bytesPerLine;
            if (jpeg_read_scanlines(&s->cinfo, rows, n) == 0)
                break;
        }
    }
    if (s->cinfo.output_scanline < s->cinfo.output_height)
        jpeg_abort_decompress(&s->cinfo);  // rows below the box are left undecoded
    else
        jpeg_finish_decompress(&s->cinfo);
    jpeg_destroy_decompress(&s->cinfo);
    return true;
}

unsigned char* AllocateQImage(void* context, int width, int height, size_t* bytesPerLine) {
    auto* image = static_cast<QImage*>(context);
    try {
        *image = QImage(width, height, QImage::Format_RGB32);
    } catch (...) {
        return nullptr;
    }
    if (image->isNull())
        return nullptr;
    *bytesPerLine = static_cast<size_t>(image->bytesPerLine());
    return image->bits();
}

}  // namespace

QImage TJPEGImage::Decode(const QByteArray& bytes, QSize shown) {
    QImage image;
    DecoderState state;
    int code = 0;
    const JDIMENSION shownWidth = shown.isValid() ? static_cast<JDIMENSION>(shown.width()) : 0;
    const JDIMENSION shownHeight = shown.isValid() ? static_cast<JDIMENSION>(shown.height()) : 0;
    if (!DecodeRaw(&state, reinterpret_cast<const unsigned char*>(bytes.constData()),
                   static_cast<unsigned long>(bytes.size()), AllocateQImage, &image, &code,
                   shownWidth, shownHeight))
        throw JpegError(code);
    return image;
}

QImage TJPEGImage::DecodeFile(const QString& path, QSize shown) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ZorviaError("Cannot open file \"" + path.toStdString() + "\". " +
                          file.errorString().toStdString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw ZorviaError("Cannot read file \"" + path.toStdString() + "\". " +
                          file.errorString().toStdString());
    return Decode(bytes, shown);
}
