// What a tick's blend costs against what the machine's memory allows: each row path blending a
// 213-pixel cell of a 3840-wide buffer (ns a pixel; a blended pixel reads its colour and the
// pixel and writes the pixel, 12 bytes), and memcpy's bandwidth over a cell's worth and over
// more than the caches hold (bytes read and written).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "surfaces/blend_row.h"

namespace ambervale {
namespace {

constexpr size_t kBufferWidth = 3840, kCell = 213;
constexpr int64_t kBytesPerBlendedPixel = 12;

void BM_BlendCell(benchmark::State& state) {
  const BlendRowPath& path = BlendRowPaths()[static_cast<size_t>(state.range(0))];
  state.SetLabel(path.name);
  std::vector<Argb> colours(kCell * kCell);
  for (size_t i = 0; i < colours.size(); ++i) colours[i] = static_cast<Argb>(80u << 24 | (i * 2654435761u >> 8));
  std::vector<uint32_t> buffer(kBufferWidth * kCell, 0x204060);
  for (auto _ : state) {
    for (size_t y = 0; y < kCell; ++y) path.blend(colours.data() + y * kCell, buffer.data() + y * kBufferWidth, kCell);
    benchmark::ClobberMemory();
  }
  const auto pixels = static_cast<double>(kCell * kCell);
  state.counters["per_pixel"] =
      benchmark::Counter(pixels, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(pixels) * kBytesPerBlendedPixel);
}
BENCHMARK(BM_BlendCell)->DenseRange(0, static_cast<int>(BlendRowPaths().size()) - 1);

// As a leaf's rows come: only each row's visible part is blended, here a disc's chord of the
// cell, so the rows have every length and the work at their ends counts as it does on screen.
void BM_BlendLeafRows(benchmark::State& state) {
  const BlendRowPath& path = BlendRowPaths()[static_cast<size_t>(state.range(0))];
  state.SetLabel(path.name);
  std::vector<Argb> colours(kCell * kCell, 80u << 24 | 0x9FC040);
  std::vector<uint32_t> buffer(kBufferWidth * kCell, 0x204060);
  std::vector<size_t> first(kCell), length(kCell);
  size_t pixels = 0;
  for (size_t y = 0; y < kCell; ++y) {
    const double from_centre = (2.0 * static_cast<double>(y) + 1) / kCell - 1;
    length[y] = static_cast<size_t>(kCell * std::sqrt(1 - from_centre * from_centre));
    first[y] = (kCell - length[y]) / 2;
    pixels += length[y];
  }
  for (auto _ : state) {
    for (size_t y = 0; y < kCell; ++y)
      path.blend(colours.data() + y * kCell + first[y], buffer.data() + y * kBufferWidth + first[y], length[y]);
    benchmark::ClobberMemory();
  }
  state.counters["per_pixel"] = benchmark::Counter(
      static_cast<double>(pixels), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_BlendLeafRows)->DenseRange(0, static_cast<int>(BlendRowPaths().size()) - 1);

// memcpy of `range(0)` bytes; bytes processed count the read and the write.
void BM_MemoryCopy(benchmark::State& state) {
  const auto bytes = static_cast<size_t>(state.range(0));
  std::vector<uint8_t> from(bytes, 1), to(bytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(2 * bytes));
  // The time memory needs for a blended pixel's 12 bytes at this bandwidth: the blend's limit.
  state.counters["per_12_bytes"] =
      benchmark::Counter(static_cast<double>(2 * bytes) / kBytesPerBlendedPixel,
                         benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_MemoryCopy)->Arg(kCell* kCell * 4)->Arg(int64_t{64} << 20)->ArgName("bytes");

}  // namespace
}  // namespace ambervale
