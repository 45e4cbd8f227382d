#pragma once
// A small GIF 89a writer for the animation tests: global palette, one graphic control block
// per frame (delay, disposal, transparent index), optional loop count block.

#include <QByteArray>
#include <QRgb>

#include <cstdint>
#include <optional>
#include <vector>

struct GifFrame {
    std::vector<uint8_t> indices;  // width * height palette indices, full-size frame
    int delayHundredths = 10;
    int disposal = 2;  // 1 keep, 2 restore to background
};

struct GifRecipe {
    int width = 0;
    int height = 0;
    std::vector<QRgb> palette;  // padded to a power of two, at least 4 entries
    std::optional<int> transparentIndex;
    std::optional<int> loopCount;  // absent: no loop block, the animation plays once
    std::vector<GifFrame> frames;
};

QByteArray WriteGif(const GifRecipe& recipe);
