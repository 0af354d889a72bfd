#include <benchmark/benchmark.h>

#include <memory>

#include "engine/geometry.h"
#include "engine/layout.h"

namespace ambervale {
namespace {

// Args: algorithm, surface width, surface height, Size.
void BM_LayOutCycle(benchmark::State& bench) {
  auto state = std::make_unique<SaverState>();
  Settings settings;
  settings.algorithm = static_cast<uint8_t>(bench.range(0));
  settings.size = static_cast<uint8_t>(bench.range(3));
  ApplyFullScreenGeometry(*state, settings.size, static_cast<int32_t>(bench.range(1)),
                          static_cast<int32_t>(bench.range(2)));
  Random random(12345);
  for (auto _ : bench) {
    StartCycle(*state, settings, random);
    benchmark::DoNotOptimize(state->cycle.x[0][0]);
    benchmark::ClobberMemory();
  }
  bench.SetLabel(std::to_string(state->grid.cols) + "x" + std::to_string(state->grid.rows + 1) + " grid");
}

void AllLayouts(benchmark::internal::Benchmark* b) {
  b->ArgNames({"algorithm", "w", "h", "size"});
  for (int64_t algorithm = 0; algorithm <= 12; ++algorithm) {
    for (auto [w, h] : {std::pair<int64_t, int64_t>{1920, 1080}, {3840, 2160}}) {
      for (int64_t size : {0, 12}) b->Args({algorithm, w, h, size});
    }
  }
}

BENCHMARK(BM_LayOutCycle)->Apply(AllLayouts)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace ambervale
