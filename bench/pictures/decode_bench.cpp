// Decoding one 250 x 250 deal picture through TJPEGImage, next to libjpeg's own plain loop
// (default error manager, one scanline per call) into a bare buffer.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <vector>

#include <jpeglib.h>

#include "jpeg_fixtures.h"
#include "pictures/jpeg_image.h"

namespace {

// Something like a product photo: soft gradients, a few shapes, some fine texture.
const QByteArray& TilePicture() {
    static const QByteArray bytes = [] {
        QImage picture(250, 250, QImage::Format_RGB32);
        for (int y = 0; y < 250; ++y)
            for (int x = 0; x < 250; ++x) {
                const int shade = ((x * 7 + y * 13) ^ (x * y)) & 31;
                const bool inDisc = (x - 125) * (x - 125) + (y - 110) * (y - 110) < 70 * 70;
                picture.setPixel(x, y,
                                 inDisc ? qRgb(200 + shade / 2, 60 + y / 5, 40 + shade)
                                        : qRgb(230 - y / 3, 225 - x / 4 + shade / 4, 210));
            }
        return EncodeJpeg(picture, JpegKind::Baseline, 90);
    }();
    return bytes;
}

void BM_TJPEGImageDecode(benchmark::State& state) {
    const QByteArray& bytes = TilePicture();
    for (auto _ : state)
        benchmark::DoNotOptimize(TJPEGImage::Decode(bytes));
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bytes.size());
}
BENCHMARK(BM_TJPEGImageDecode)->Unit(benchmark::kMicrosecond);

void PlainLoop(benchmark::State& state, J_COLOR_SPACE out, int components) {
    const QByteArray& bytes = TilePicture();
    std::vector<JSAMPLE> pixels(250 * 250 * components);
    for (auto _ : state) {
        jpeg_decompress_struct cinfo;
        jpeg_error_mgr err;
        cinfo.err = jpeg_std_error(&err);
        jpeg_create_decompress(&cinfo);
        jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(bytes.constData()),
                     static_cast<unsigned long>(bytes.size()));
        jpeg_read_header(&cinfo, TRUE);
        cinfo.out_color_space = out;
        jpeg_start_decompress(&cinfo);
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW row = pixels.data() + cinfo.output_scanline * cinfo.output_width * components;
            jpeg_read_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
        benchmark::DoNotOptimize(pixels.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bytes.size());
}

void BM_LibjpegPlainLoopRgb(benchmark::State& state) {
    PlainLoop(state, JCS_RGB, 3);
}
BENCHMARK(BM_LibjpegPlainLoopRgb)->Unit(benchmark::kMicrosecond);

void BM_LibjpegPlainLoopBgra(benchmark::State& state) {
    PlainLoop(state, JCS_EXT_BGRA, 4);
}
BENCHMARK(BM_LibjpegPlainLoopBgra)->Unit(benchmark::kMicrosecond);

}  // namespace
