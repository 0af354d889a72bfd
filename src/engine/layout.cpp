#include "engine/layout.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "engine/algorithms.h"
#include "engine/geometry.h"
#include "engine/real_math.h"
#include "engine/ring_mask.h"

namespace ambervale {
namespace {

inline constexpr Real kPyramidBias = 0.00001L;  // keeps k / row defined on row 0
inline constexpr Real kRingBias = 0.000001L;    // keeps the slot angle defined on ring 0

// A product of two 32-bit integers as 32-bit arithmetic forms it: wrapped modulo 2^32 when a
// hand-made state overflows, rather than undefined.
int32_t Product32(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<int64_t>(a) * static_cast<int64_t>(b)));
}

// Sum of separately rounded terms; saturates instead of overflowing on absurd hand-made states.
int32_t SaturatingSum(int64_t sum) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(sum, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// Highest table index a loop over 0..count may reach; negative counts give an empty loop.
int32_t LastIndex(int32_t count) { return std::min(count, kMaxGrid); }

// A grid count used as a divisor. Geometry never leaves it below 1, but a state set by hand
// may; dividing by 1 then keeps every position finite.
Real Divisor(int32_t count) { return static_cast<Real>(std::max(count, 1)); }

// The picks land in 0..9: 5..9 slightly more often than 0..4; 10..12 never.
uint8_t RandomAlgorithm(Random& random) {
  const int32_t r = random(20);
  return static_cast<uint8_t>(r <= 10 ? 5 + random(5) : random(5));
}

void ClearFillGrid(SaverState& state) {
  const int32_t last_row = LastIndex(state.grid.rows);
  const int32_t last_col = LastIndex(state.grid.cols);
  for (int32_t row = 0; row <= last_row; ++row) {
    for (int32_t col = 0; col <= last_col; ++col) state.cycle.filled[row][col] = 0;
  }
}

// The row and column steps of the regular grid; the quotient is taken before it is scaled by
// the index, which is what places the last row exactly on the bottom edge.
struct GridSteps {
  Real across;
  Real down;
};

GridSteps StepsOf(const SaverState& state) {
  return {static_cast<Real>(state.grid.surface_width) / Divisor(state.grid.cols),
          static_cast<Real>(state.grid.surface_height) / Divisor(state.grid.rows)};
}

int32_t GridX(const GridSteps& steps, int32_t col) { return Round(steps.across * static_cast<Real>(col)); }
int32_t GridY(const GridSteps& steps, int32_t row) { return Round(steps.down * static_cast<Real>(row)); }

// Offset of a cell of the grid layouts below its place on the regular grid.
enum class GridShape { kPlain, kColumnWave, kRowWave };

int32_t WaveOffset(const SaverState& state, GridShape shape, int32_t row, int32_t col) {
  const Real cell = static_cast<Real>(state.grid.cell_width);
  switch (shape) {
    case GridShape::kColumnWave: return Round(Sin(static_cast<Real>(col) * kHalfPi) * cell / 3.0L);
    case GridShape::kRowWave:
      return Round(Sin((static_cast<Real>(col) * kFourPi) / Divisor(state.grid.cols) + static_cast<Real>(row) * kPi) *
                   cell / 4.0L);
    case GridShape::kPlain: break;
  }
  return 0;
}

void LayOutGrid(SaverState& state, GridShape shape) {
  const GridSteps steps = StepsOf(state);
  const int32_t last_row = LastIndex(state.grid.rows);
  const int32_t last_col = LastIndex(state.grid.cols);
  for (int32_t row = 0; row <= last_row; ++row) {
    for (int32_t col = 0; col <= last_col; ++col) {
      state.cycle.x[row][col] = GridX(steps, col);
      state.cycle.y[row][col] =
          SaturatingSum(static_cast<int64_t>(GridY(steps, row)) + WaveOffset(state, shape, row, col));
    }
  }
}

// Every sprite moved by up to a quarter cell each way; two draws per cell, x first, so a seed
// replays the same layout.
void LayOutJitteredGrid(SaverState& state, Random& random) {
  const GridSteps steps = StepsOf(state);
  const int32_t last_row = LastIndex(state.grid.rows);
  const int32_t last_col = LastIndex(state.grid.cols);
  const int64_t quarter = Div(state.grid.cell_width, 4);
  const int32_t half = Div(state.grid.cell_width, 2);
  for (int32_t row = 0; row <= last_row; ++row) {
    for (int32_t col = 0; col <= last_col; ++col) {
      state.cycle.x[row][col] = SaturatingSum(GridX(steps, col) - quarter + random(half));
      state.cycle.y[row][col] = SaturatingSum(GridY(steps, row) - quarter + random(half));
    }
  }
}

void LayOutPyramid(SaverState& state) {
  const GridSteps steps = StepsOf(state);
  const int32_t last_row = LastIndex(state.grid.rows);
  const Real rows = Divisor(state.grid.rows);
  const int64_t middle = Div(state.grid.surface_width, 2);
  for (int32_t row = 0; row <= last_row; ++row) {
    const Real spread = Sqrt(static_cast<Real>(row) / rows);
    const Real row_width = static_cast<Real>(Product32(row, state.grid.cell_width));
    const int32_t y = GridY(steps, row);
    for (int32_t k = 0; k <= row; ++k) {
      const Real share = static_cast<Real>(k) / (static_cast<Real>(row) + kPyramidBias) - 0.5L;
      state.cycle.x[row][k] = SaturatingSum(Round(spread * (share * row_width)) + middle);
      state.cycle.y[row][k] = y;
    }
  }
}

// Rings (and the spiral, whose radius winds from ring to ring + 1 cell widths around the
// ring) centred on the surface, slot angles clockwise on screen from the right.
void LayOutRings(SaverState& state, bool spiral) {
  const int32_t last_ring = LastRing(state);
  const Real half_width = static_cast<Real>(state.grid.surface_width) / 2.0L;
  const Real half_height = static_cast<Real>(state.grid.surface_height) / 2.0L;
  const Real half_cell = static_cast<Real>(state.grid.cell_width) / 2.0L;
  const Real cell = static_cast<Real>(state.grid.cell_width);
  for (int32_t ring = 0; ring <= last_ring; ++ring) {
    const Real slots = static_cast<Real>(6 * ring) + kRingBias;
    const Real ring_radius = static_cast<Real>(Product32(ring, state.grid.cell_width));
    for (int32_t slot = 0; slot <= 6 * ring; ++slot) {
      const Real angle = (static_cast<Real>(slot) * kTwoPi) / slots;
      Real radius = ring_radius;
      if (spiral) {
        const Real winding = (static_cast<Real>(slot) * kHalfPi) / slots;
        radius = (Sin(winding) + static_cast<Real>(ring)) * cell;
      }
      state.cycle.x[ring][slot] = Round(Cos(angle) * radius + half_width - half_cell);
      state.cycle.y[ring][slot] = Round(Sin(angle) * radius + half_height - half_cell);
    }
  }
}

}  // namespace

std::vector<LayoutCell> LayoutCells(const SaverState& state) {
  std::vector<LayoutCell> cells;
  const AlgorithmSpec* spec = AlgorithmOf(state.cycle.algorithm);
  if (spec == nullptr) return cells;
  if (IsRingLayout(spec->layout)) {
    for (int32_t ring = 0; ring <= LastRing(state); ++ring)
      for (int32_t slot = 0; slot <= 6 * ring; ++slot) cells.push_back({ring, slot});
  } else if (spec->layout == Layout::kPyramid) {
    for (int32_t row = 0; row <= LastIndex(state.grid.rows); ++row)
      for (int32_t k = 0; k <= row; ++k) cells.push_back({row, k});
  } else {
    for (int32_t row = 0; row <= LastIndex(state.grid.rows); ++row)
      for (int32_t col = 0; col <= LastIndex(state.grid.cols); ++col) cells.push_back({row, col});
  }
  return cells;
}

void StartCycle(SaverState& state, const Settings& settings, Random& random) {
  state.cycle.algorithm = settings.random_algorithm ? RandomAlgorithm(random) : settings.algorithm;
  state.cycle.fade_step = 0;
  ClearFillGrid(state);
  state.cycle.col = 0;
  state.cycle.row = 0;

  const AlgorithmSpec* spec = AlgorithmOf(state.cycle.algorithm);
  if (spec == nullptr) return;  // no layout: the tables stay as they were
  switch (spec->layout) {
    case Layout::kJitteredGrid: LayOutJitteredGrid(state, random); break;
    case Layout::kGrid: LayOutGrid(state, GridShape::kPlain); break;
    case Layout::kColumnWave: LayOutGrid(state, GridShape::kColumnWave); break;
    case Layout::kRowWave: LayOutGrid(state, GridShape::kRowWave); break;
    case Layout::kPyramid: LayOutPyramid(state); break;
    case Layout::kRings: LayOutRings(state, /*spiral=*/false); break;
    case Layout::kSpiral: LayOutRings(state, /*spiral=*/true); break;
  }
  if (spec->thinned) ApplyRingMask(state);
}

}  // namespace ambervale
