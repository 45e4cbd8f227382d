#include "gif_fixture.h"

#include <algorithm>

namespace {

void Put16(QByteArray& out, int value) {
    out.append(static_cast<char>(value & 0xFF));
    out.append(static_cast<char>((value >> 8) & 0xFF));
}

// LZW with a clear code often enough that the code width never grows: every pixel is sent as
// a literal. Larger than real LZW output, but any decoder reads it.
QByteArray Compress(const std::vector<uint8_t>& indices, int minCodeSize) {
    const int clear = 1 << minCodeSize;
    const int end = clear + 1;
    const int width = minCodeSize + 1;
    const int literalsPerClear = std::max(1, clear / 2 - 1);
    QByteArray packed;
    uint32_t bits = 0;
    int bitCount = 0;
    auto put = [&](int code) {
        bits |= static_cast<uint32_t>(code) << bitCount;
        bitCount += width;
        while (bitCount >= 8) {
            packed.append(static_cast<char>(bits & 0xFF));
            bits >>= 8;
            bitCount -= 8;
        }
    };
    for (size_t i = 0; i < indices.size(); ++i) {
        if (i % literalsPerClear == 0)
            put(clear);
        put(indices[i]);
    }
    put(end);
    if (bitCount > 0)
        packed.append(static_cast<char>(bits & 0xFF));

    QByteArray blocks;
    blocks.append(static_cast<char>(minCodeSize));
    for (qsizetype at = 0; at < packed.size(); at += 255) {
        const qsizetype n = std::min<qsizetype>(255, packed.size() - at);
        blocks.append(static_cast<char>(n));
        blocks.append(packed.mid(at, n));
    }
    blocks.append('\0');
    return blocks;
}

}  // namespace

QByteArray WriteGif(const GifRecipe& recipe) {
    int tableBits = 2;
    while ((1 << tableBits) < static_cast<int>(recipe.palette.size()))
        ++tableBits;
    QByteArray out("GIF89a");
    Put16(out, recipe.width);
    Put16(out, recipe.height);
    out.append(static_cast<char>(0x80 | 0x70 | (tableBits - 1)));  // global table, 8-bit colour
    out.append('\0');                                              // background index
    out.append('\0');                                              // square pixels
    for (int i = 0; i < (1 << tableBits); ++i) {
        const QRgb colour = i < static_cast<int>(recipe.palette.size()) ? recipe.palette[i] : 0;
        out.append(static_cast<char>(qRed(colour)));
        out.append(static_cast<char>(qGreen(colour)));
        out.append(static_cast<char>(qBlue(colour)));
    }
    if (recipe.loopCount) {
        out.append(
            "\x21\xFF\x0B"
            "NETSCAPE2.0"
            "\x03\x01",
            16);
        Put16(out, *recipe.loopCount);
        out.append('\0');
    }
    for (const GifFrame& frame : recipe.frames) {
        out.append("\x21\xF9\x04", 3);
        out.append(static_cast<char>((frame.disposal << 2) | (recipe.transparentIndex ? 1 : 0)));
        Put16(out, frame.delayHundredths);
        out.append(static_cast<char>(recipe.transparentIndex.value_or(0)));
        out.append('\0');
        out.append('\x2C');
        Put16(out, 0);
        Put16(out, 0);
        Put16(out, recipe.width);
        Put16(out, recipe.height);
        out.append('\0');  // no local table, not interlaced
        out.append(Compress(frame.indices, tableBits));
    }
    out.append('\x3B');
    return out;
}
