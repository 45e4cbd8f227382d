#pragma once
// The one GIF 89a writer of the project, shared by the artwork generator (the packaged chat
// animation) and the picture tests (animations made to show one behaviour of the player).
// It writes a global palette, an optional loop block, and for every frame a graphic control
// block (delay, disposal, transparent index) and a full-size image with real LZW data.

#include <QByteArray>
#include <QRgb>

#include <cstdint>
#include <optional>
#include <vector>

struct GifFrame {
    std::vector<uint8_t> indices;  // width * height palette indices, row by row
    int delayHundredths = 10;
    int disposal = 2;  // 1 keep, 2 restore to background
};

struct GifAnimation {
    int width = 0;
    int height = 0;
    // Written as the global colour table, padded with black to a power of two (2 to 256).
    std::vector<QRgb> palette;
    std::optional<int> transparentIndex;  // also the background colour index
    std::optional<int> loopCount;         // 0 repeats without end; absent: no loop block
    std::vector<GifFrame> frames;
};

// Throws std::runtime_error for a palette of more than 256 colours, a frame of the wrong size or
// an index outside the palette.
QByteArray EncodeGif(const GifAnimation& animation);
