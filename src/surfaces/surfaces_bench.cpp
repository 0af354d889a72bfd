#include <benchmark/benchmark.h>

#include <vector>

#include "surfaces/dib.h"
#include "surfaces/jpeg_image.h"
#include "surfaces/back_buffer.h"
#include "testing/test_surfaces.h"
#include "testing/test_pictures.h"

namespace ambervale {
namespace {

const std::vector<uint8_t>& LeafSizedJpeg() {
  static const std::vector<uint8_t> bytes = testing_pictures::PatternJpeg(100, 100);
  return bytes;
}

void BM_Decode100x100(benchmark::State& state) {
  const auto depth = state.range(0) ? PictureDepth::kPalette236 : PictureDepth::kTrueColour;
  for (auto _ : state) {
    JpegImage picture(LeafSizedJpeg(), depth);
    benchmark::DoNotOptimize(picture.Decoded().pixels.data());
  }
}
BENCHMARK(BM_Decode100x100)->Arg(0)->Arg(1)->ArgName("palette");

void BM_StretchPicture(benchmark::State& state) {
  const int32_t size = static_cast<int32_t>(state.range(0));
  JpegImage picture(LeafSizedJpeg());
  picture.Decoded();
  Dib dib;
  dib.SetDepth(24);
  dib.SetDibWidth(size);
  dib.SetDibHeight(size);
  for (auto _ : state) {
    dib.StretchPicture(Rect{0, 0, size, size}, picture);
    benchmark::DoNotOptimize(dib.RowBytes(0));
  }
}
BENCHMARK(BM_StretchPicture)->Arg(100)->Arg(20)->ArgName("to");

// A sprite's worth of row reads, as the key-out pass makes them.
void BM_RowReads100(benchmark::State& state) {
  Dib dib;
  dib.SetDepth(24);
  dib.SetDibWidth(100);
  dib.SetDibHeight(100);
  for (auto _ : state) {
    unsigned sum = 0;
    for (int32_t y = 0; y < 100; ++y) {
      const uint8_t* row = dib.RowBytes(y);
      for (int32_t x = 0; x < 300; x += 3) sum += row[x + 2] > 100;
    }
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_RowReads100);

void BM_SpriteRebuild(benchmark::State& state) {
  const bool bulk = state.range(0) != 0;
  std::vector<Argb> pixels(100 * 100, 0x50A0B0C0);
  MemoryBitmap bitmap(100, 100);
  for (auto _ : state) {
    if (bulk) {
      bitmap.PutArgbRows(pixels.data());
    } else {
      for (int32_t i = 0; i < 100; ++i)
        for (int32_t j = 0; j < 100; ++j) bitmap.PutArgb(i, j, pixels[static_cast<size_t>(j) * 100 + i]);
    }
    benchmark::DoNotOptimize(bitmap.Pixels().data());
  }
}
BENCHMARK(BM_SpriteRebuild)->Arg(0)->Arg(1)->ArgName("bulk");

void BM_CanvasDrawScaled(benchmark::State& state) {
  MemoryBitmap sprite(100, 100);
  for (int32_t y = 0; y < 100; ++y)
    for (int32_t x = 0; x < 100; ++x) sprite.PutArgb(x, y, (x + y) % 3 ? 0x50C04020 : 0);
  MemoryCanvas canvas(200, 200);
  for (auto _ : state) {
    canvas.DrawScaled(&sprite, 20, 20, 40, 40);
    benchmark::DoNotOptimize(canvas.Row(30));
  }
}
BENCHMARK(BM_CanvasDrawScaled);

// One tick of the composited path on a 3840 x 2160 screen: a 100 x 100 sprite blended into a
// 213-pixel cell of the back buffer.
void BM_BackBufferDrawScaled(benchmark::State& state) {
  MemoryBitmap sprite(100, 100);
  for (int32_t y = 0; y < 100; ++y)
    for (int32_t x = 0; x < 100; ++x)
      sprite.PutArgb(x, y, (x - 50) * (x - 50) + (y - 50) * (y - 50) < 2000 ? 0x50C04020 : 0);
  BackBuffer buffer(3840, 2160);
  for (auto _ : state) {
    buffer.DrawScaled(&sprite, 1000, 800, 213, 213);
    benchmark::DoNotOptimize(buffer.TakeDirty());
  }
}
BENCHMARK(BM_BackBufferDrawScaled);

}  // namespace
}  // namespace ambervale
