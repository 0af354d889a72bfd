// Cost of the engine's per-tick work (the layouts are timed in layout_bench.cpp), against in-memory surfaces and a target
// that only records.
#include <benchmark/benchmark.h>

#include "engine/test_fakes.h"
#include "surfaces/back_buffer.h"

namespace ambervale {
namespace {

using testing::EngineRig;

// A cell's first tick: new sprite from a decoded leaf, keying, and the bitmap rebuild.
void BM_FirstDrawTick(benchmark::State& bench) {
  EngineRig rig(1920, 1080, 0);
  rig.settings.algorithm = 1;
  rig.Start();
  for (auto _ : bench) {
    rig.state->cycle.fade_step = 0;
    rig.state->cycle.col = 1;
    rig.engine->Tick();
    rig.target->calls.clear();
  }
}
BENCHMARK(BM_FirstDrawTick);

// One of a cell's four later ticks: a single scaled draw.
void BM_OrdinaryTick(benchmark::State& bench) {
  EngineRig rig(1920, 1080, 0);
  rig.settings.algorithm = 1;
  rig.Start();
  rig.engine->Tick();
  for (auto _ : bench) {
    rig.state->cycle.fade_step = 2;
    rig.engine->Tick();
    rig.target->calls.clear();
  }
}
BENCHMARK(BM_OrdinaryTick);

// A whole random-fill cycle on a 4K screen at Size 0 (31 x 18 cells), ticks until it restarts.
void BM_RandomFillCycle(benchmark::State& bench) {
  EngineRig rig(3840, 2160, 0);
  rig.settings.algorithm = 0;
  rig.Start();
  int64_t ticks = 0;
  for (auto _ : bench) {
    ticks += rig.TicksUntilCycles(1);
    rig.target->calls.clear();
  }
  bench.counters["ticks_per_cycle"] =
      benchmark::Counter(static_cast<double>(ticks), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_RandomFillCycle)->Unit(benchmark::kMillisecond);

// A new cell at 3840 x 2160, Size 12, a new leaf each cell, into a back buffer: its first tick
// (the leaf, the bitmap, the scaled copy and one blend). Arg 1 keys every leaf afresh (the transparency changes each cell), as every cell
// did before the leaves were kept; Arg 0 finds them kept.
void BM_NewCell4K(benchmark::State& bench) {
  const bool afresh = bench.range(0) != 0;
  EngineRig rig(3840, 2160, 12);
  rig.settings.algorithm = 1;
  rig.state->target = std::make_unique<BackBuffer>(3840, 2160);
  rig.Start();
  for (int cell = 0; cell < 100; ++cell) rig.engine->Tick();  // every leaf seen once
  int64_t cells = 0;
  for (auto _ : bench) {
    if (afresh) rig.settings.opacity = static_cast<uint8_t>(8 + cells % 2);
    rig.state->cycle.fade_step = 0;
    rig.state->cycle.row = 1;
    rig.state->cycle.col = 1;
    rig.engine->Tick();
    ++cells;
  }
  bench.counters["cell_px"] = rig.state->grid.cell_width;
}
BENCHMARK(BM_NewCell4K)->Arg(0)->Arg(1)->ArgName("afresh");

}  // namespace
}  // namespace ambervale
