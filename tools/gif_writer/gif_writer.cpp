#include "gif_writer.h"

#include <algorithm>
#include <stdexcept>

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

void EncodeLzw(const std::vector<uint8_t>& indices, int minCodeSize, QByteArray& out) {
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
    for (uint8_t symbol : indices) {
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
    if (animation.palette.size() > 256) {
        throw std::runtime_error("GIF palette has more than 256 colours");
    }
    // The table holds 2^(tableBits + 1) colours.
    int tableBits = 0;
    while ((size_t{1} << (tableBits + 1)) < animation.palette.size()) {
        ++tableBits;
    }
    const size_t colours = size_t{1} << (tableBits + 1);
    const int transparent = animation.transparentIndex.value_or(0);

    QByteArray out("GIF89a");
    PutShort(out, animation.width);
    PutShort(out, animation.height);
    // Global colour table present, colour resolution and table size both from the palette.
    out.append(static_cast<char>(0x80 | (tableBits << 4) | tableBits));
    out.append(static_cast<char>(transparent));
    out.append('\0');
    for (size_t i = 0; i < colours; ++i) {
        const QRgb colour = i < animation.palette.size() ? animation.palette[i] : qRgb(0, 0, 0);
        out.append(static_cast<char>(qRed(colour)));
        out.append(static_cast<char>(qGreen(colour)));
        out.append(static_cast<char>(qBlue(colour)));
    }
    if (animation.loopCount) {
        out.append("\x21\xFF\x0B", 3);
        out.append("NETSCAPE2.0");
        out.append("\x03\x01", 2);
        PutShort(out, *animation.loopCount);
        out.append('\0');
    }
    const int minCodeSize = std::max(2, tableBits + 1);
    for (const GifFrame& frame : animation.frames) {
        if (frame.indices.size() != static_cast<size_t>(animation.width * animation.height)) {
            throw std::runtime_error("GIF frame has the wrong number of pixels");
        }
        out.append("\x21\xF9\x04", 3);
        out.append(static_cast<char>((frame.disposal << 2) | (animation.transparentIndex ? 1 : 0)));
        PutShort(out, frame.delayHundredths);
        out.append(static_cast<char>(transparent));
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
