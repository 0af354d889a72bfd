// The preview start-up's capture copy: a whole screen through the three planes into the
// capture bitmap, with the bulk write.
#include <benchmark/benchmark.h>

#include "engine/saver_startup.h"
#include "surfaces/memory_surfaces.h"

namespace ambervale {
namespace {

void BM_CopyCapture(benchmark::State& run) {
  const int32_t width = static_cast<int32_t>(run.range(0));
  const int32_t height = static_cast<int32_t>(run.range(1));
  auto state = std::make_unique<SaverState>();
  state->screen_dib.SetDepth(24);
  state->screen_dib.SetDibWidth(width);
  state->screen_dib.SetDibHeight(height);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) state->screen_dib.PutPixel(x, y, PackRgb(x, y, x ^ y));
  state->desktop_picture = std::make_unique<MemoryBitmap>(width, height);
  for (auto _ : run) {
    CopyCapture(*state);
    benchmark::ClobberMemory();
  }
  run.SetItemsProcessed(run.iterations() * width * height);
}
BENCHMARK(BM_CopyCapture)->Args({1024, 768})->Args({1920, 1080})->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ambervale
