#include "container_headers.h"

namespace {

class Cursor {
public:
    explicit Cursor(const QByteArray& bytes) : m_bytes(bytes) {}
    bool has(qsizetype n) const { return m_at + n <= m_bytes.size(); }
    int byte() { return static_cast<unsigned char>(m_bytes[m_at++]); }
    int bigShort() {
        const int high = byte();
        return (high << 8) | byte();
    }
    int littleShort() {
        const int low = byte();
        return low | (byte() << 8);
    }
    long long bigLong() {
        const long long high = bigShort();
        return (high << 16) | bigShort();
    }
    QByteArray take(qsizetype n) {
        const QByteArray part = m_bytes.mid(m_at, n);
        m_at += n;
        return part;
    }
    void skip(qsizetype n) { m_at += n; }

private:
    const QByteArray& m_bytes;
    qsizetype m_at = 0;
};

bool IsStartOfFrame(int marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Skips a chain of data sub-blocks up to and including the empty one.
bool SkipSubBlocks(Cursor& in) {
    while (in.has(1)) {
        const int size = in.byte();
        if (size == 0) {
            return true;
        }
        if (!in.has(size)) {
            return false;
        }
        in.skip(size);
    }
    return false;
}

}  // namespace

std::optional<JpegFrameHeader> ReadJpegFrameHeader(const QByteArray& bytes) {
    Cursor in(bytes);
    if (!in.has(2) || in.byte() != 0xFF || in.byte() != 0xD8) {
        return std::nullopt;
    }
    while (in.has(4)) {
        if (in.byte() != 0xFF) {
            return std::nullopt;
        }
        int marker = in.byte();
        while (marker == 0xFF && in.has(1)) {
            marker = in.byte();
        }
        const int length = in.bigShort();
        if (length < 2 || !in.has(length - 2)) {
            return std::nullopt;
        }
        if (IsStartOfFrame(marker)) {
            if (length < 8) {
                return std::nullopt;
            }
            JpegFrameHeader header;
            header.marker = marker;
            header.precision = in.byte();
            header.height = in.bigShort();
            header.width = in.bigShort();
            header.components = in.byte();
            return header;
        }
        if (marker == 0xDA) {
            return std::nullopt;  // scan data before any frame header
        }
        in.skip(length - 2);
    }
    return std::nullopt;
}

std::optional<PngHeader> ReadPngHeader(const QByteArray& bytes) {
    static const QByteArray kSignature("\x89PNG\r\n\x1A\n", 8);
    if (!bytes.startsWith(kSignature)) {
        return std::nullopt;
    }
    Cursor in(bytes);
    in.skip(8);
    if (!in.has(8 + 13)) {
        return std::nullopt;
    }
    if (in.bigLong() != 13 || in.take(4) != "IHDR") {
        return std::nullopt;
    }
    PngHeader header;
    header.width = static_cast<int>(in.bigLong());
    header.height = static_cast<int>(in.bigLong());
    header.bitDepth = in.byte();
    header.colourType = in.byte();
    in.skip(2);  // compression, filter
    header.interlace = in.byte();
    return header;
}

std::optional<GifInfo> ReadGifInfo(const QByteArray& bytes) {
    Cursor in(bytes);
    if (!in.has(13) || in.take(3) != "GIF") {
        return std::nullopt;
    }
    GifInfo info;
    info.version = in.take(3);
    info.width = in.littleShort();
    info.height = in.littleShort();
    const int packed = in.byte();
    info.backgroundIndex = in.byte();
    in.skip(1);  // aspect
    info.globalPalette = (packed & 0x80) != 0;
    if (info.globalPalette) {
        info.paletteSize = 1 << ((packed & 0x07) + 1);
        if (!in.has(3 * info.paletteSize)) {
            return std::nullopt;
        }
        in.skip(3 * info.paletteSize);
    }
    GifFrameInfo pending;
    while (in.has(1)) {
        const int introducer = in.byte();
        if (introducer == 0x3B) {
            info.trailer = true;
            return info;
        }
        if (introducer == 0x21) {
            if (!in.has(2)) {
                return std::nullopt;
            }
            const int label = in.byte();
            if (label == 0xF9) {
                const int size = in.byte();
                if (size != 4 || !in.has(5)) {
                    return std::nullopt;
                }
                const int flags = in.byte();
                pending.hasControl = true;
                pending.disposal = (flags >> 2) & 0x07;
                pending.transparent = (flags & 0x01) != 0;
                pending.delayHundredths = in.littleShort();
                const int index = in.byte();
                pending.transparentIndex = pending.transparent ? index : -1;
                if (in.byte() != 0) {
                    return std::nullopt;
                }
                continue;
            }
            if (label == 0xFF) {
                const int size = in.byte();
                if (!in.has(size)) {
                    return std::nullopt;
                }
                const QByteArray application = in.take(size);
                if (application == "NETSCAPE2.0" && in.has(4)) {
                    const int subSize = in.byte();
                    if (subSize >= 3 && in.has(subSize)) {
                        const int id = in.byte();
                        const int count = in.littleShort();
                        in.skip(subSize - 3);
                        if (id == 1) {
                            info.loopCount = count;
                        }
                    } else {
                        return std::nullopt;
                    }
                }
                if (!SkipSubBlocks(in)) {
                    return std::nullopt;
                }
                continue;
            }
            if (!SkipSubBlocks(in)) {
                return std::nullopt;
            }
            continue;
        }
        if (introducer == 0x2C) {
            if (!in.has(9)) {
                return std::nullopt;
            }
            GifFrameInfo frame = pending;
            pending = GifFrameInfo();
            frame.left = in.littleShort();
            frame.top = in.littleShort();
            frame.width = in.littleShort();
            frame.height = in.littleShort();
            const int flags = in.byte();
            frame.localPalette = (flags & 0x80) != 0;
            if (frame.localPalette) {
                const int size = 1 << ((flags & 0x07) + 1);
                if (!in.has(3 * size)) {
                    return std::nullopt;
                }
                in.skip(3 * size);
            }
            if (!in.has(1)) {
                return std::nullopt;
            }
            in.skip(1);  // LZW minimum code size
            if (!SkipSubBlocks(in)) {
                return std::nullopt;
            }
            info.frames.push_back(frame);
            continue;
        }
        return std::nullopt;
    }
    return std::nullopt;  // no trailer
}
