#pragma once
// Readers for the container headers of the packaged pictures, straight from the bytes, so that
// the tests see what is in the files rather than what a decoder makes of them.

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

struct JpegFrameHeader {
    int marker = 0;  // 0xC0 baseline, 0xC2 progressive, ...
    int precision = 0;
    int width = 0;
    int height = 0;
    int components = 0;
};

// The first start-of-frame segment; nothing when the bytes are not a well-formed JPEG up to it.
std::optional<JpegFrameHeader> ReadJpegFrameHeader(const QByteArray& bytes);

struct PngHeader {
    int width = 0;
    int height = 0;
    int bitDepth = 0;
    int colourType = 0;
    int interlace = 0;
};

// The IHDR chunk, which must be the first chunk after the signature.
std::optional<PngHeader> ReadPngHeader(const QByteArray& bytes);

struct GifFrameInfo {
    bool hasControl = false;
    int disposal = 0;
    bool transparent = false;
    int transparentIndex = -1;
    int delayHundredths = 0;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool localPalette = false;
};

struct GifInfo {
    QByteArray version;  // "87a" or "89a"
    int width = 0;
    int height = 0;
    bool globalPalette = false;
    int paletteSize = 0;
    int backgroundIndex = 0;
    std::optional<int> loopCount;  // from the NETSCAPE2.0 extension
    std::vector<GifFrameInfo> frames;
    bool trailer = false;
};

// Walks every block of the file; nothing when a block runs past the end.
std::optional<GifInfo> ReadGifInfo(const QByteArray& bytes);
