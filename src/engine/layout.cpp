#include "engine/layout.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

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
  return static_cast<int32_t>(std::clamp<int64_t>(sum, std::numeric_limits<int32_t>::min(),
                                                   std::numeric_limits<int32_t>::max()));
}

// Highest table index a loop over 0..count may reach; negative counts give an empty loop.
int32_t LastIndex(int32_t count) { return std::min(count, kMaxGrid); }

// A grid count used as a divisor. Geometry never leaves it below 1, but a state set by hand
// may; dividing by 1 then keeps every position finite.
Real Divisor(int32_t count) { return static_cast<Real>(std::max(count, 1)); }

// The picks land in 0..9: 5..9 slightly more often than 0..4; 10..12 never.
void PickRandomAlgorithm(SaverState& state, Random& random) {
  int32_t r = random(20);
  if (r <= 10) {
    state.Algorithm = static_cast<uint8_t>(5 + random(5));
  } else {
    state.Algorithm = static_cast<uint8_t>(random(5));
  }
}

void ClearFillGrid(SaverState& state) {
  const int32_t last_row = LastIndex(state.GridRows);
  const int32_t last_col = LastIndex(state.GridCols);
  for (int32_t row = 0; row <= last_row; ++row) {
    for (int32_t col = 0; col <= last_col; ++col) state.FillGrid[row][col] = 0;
  }
}

// The row and column steps of the regular grid; the quotient is taken before it is scaled by
// the index, which is what places the last row exactly on the bottom edge.
struct GridSteps {
  Real across;
  Real down;
};

GridSteps StepsOf(const SaverState& state) {
  return {static_cast<Real>(state.SurfaceWidth) / Divisor(state.GridCols),
          static_cast<Real>(state.SurfaceHeight) / Divisor(state.GridRows)};
}

int32_t GridX(const GridSteps& steps, int32_t col) { return Round(steps.across * static_cast<Real>(col)); }
int32_t GridY(const GridSteps& steps, int32_t row) { return Round(steps.down * static_cast<Real>(row)); }

// Offset of a cell of the grid layouts below its place on the regular grid.
enum class GridShape { kPlain, kColumnWave, kRowWave };

int32_t WaveOffset(const SaverState& state, GridShape shape, int32_t row, int32_t col) {
  const Real cell = static_cast<Real>(state.CellWidth);
  switch (shape) {
    case GridShape::kColumnWave:
      return Round(Sin(static_cast<Real>(col) * kHalfPi) * cell / 3.0L);
    case GridShape::kRowWave:
      return Round(Sin((static_cast<Real>(col) * kFourPi) / Divisor(state.GridCols) +
                            static_cast<Real>(row) * kPi) *
                   cell / 4.0L);
    case GridShape::kPlain:
      break;
  }
  return 0;
}

void LayOutGrid(SaverState& state, GridShape shape) {
  const GridSteps steps = StepsOf(state);
  const int32_t last_row = LastIndex(state.GridRows);
  const int32_t last_col = LastIndex(state.GridCols);
  for (int32_t row = 0; row <= last_row; ++row) {
    for (int32_t col = 0; col <= last_col; ++col) {
      state.PosX[row][col] = GridX(steps, col);
      state.PosY[row][col] =
          SaturatingSum(static_cast<int64_t>(GridY(steps, row)) + WaveOffset(state, shape, row, col));
    }
  }
}

// Every sprite moved by up to a quarter cell each way; two draws per cell, x first, so a seed
// replays the same layout.
void LayOutJitteredGrid(SaverState& state, Random& random) {
  const GridSteps steps = StepsOf(state);
  const int32_t last_row = LastIndex(state.GridRows);
  const int32_t last_col = LastIndex(state.GridCols);
  const int64_t quarter = Div(state.CellWidth, 4);
  const int32_t half = Div(state.CellWidth, 2);
  for (int32_t row = 0; row <= last_row; ++row) {
    for (int32_t col = 0; col <= last_col; ++col) {
      state.PosX[row][col] = SaturatingSum(GridX(steps, col) - quarter + random(half));
      state.PosY[row][col] = SaturatingSum(GridY(steps, row) - quarter + random(half));
    }
  }
}

void LayOutPyramid(SaverState& state) {
  const GridSteps steps = StepsOf(state);
  const int32_t last_row = LastIndex(state.GridRows);
  const Real rows = Divisor(state.GridRows);
  const int64_t middle = Div(state.SurfaceWidth, 2);
  for (int32_t row = 0; row <= last_row; ++row) {
    const Real spread = Sqrt(static_cast<Real>(row) / rows);
    const Real row_width = static_cast<Real>(Product32(row, state.CellWidth));
    const int32_t y = GridY(steps, row);
    for (int32_t k = 0; k <= row; ++k) {
      const Real share = static_cast<Real>(k) / (static_cast<Real>(row) + kPyramidBias) - 0.5L;
      state.PosX[row][k] = SaturatingSum(Round(spread * (share * row_width)) + middle);
      state.PosY[row][k] = y;
    }
  }
}

// Rings (and the spiral, whose radius winds from ring to ring + 1 cell widths around the
// ring) centred on the surface, slot angles clockwise on screen from the right.
void LayOutRings(SaverState& state, bool spiral) {
  const int32_t last_ring = LastRing(state);
  const Real half_width = static_cast<Real>(state.SurfaceWidth) / 2.0L;
  const Real half_height = static_cast<Real>(state.SurfaceHeight) / 2.0L;
  const Real half_cell = static_cast<Real>(state.CellWidth) / 2.0L;
  const Real cell = static_cast<Real>(state.CellWidth);
  for (int32_t ring = 0; ring <= last_ring; ++ring) {
    const Real slots = static_cast<Real>(6 * ring) + kRingBias;
    const Real ring_radius = static_cast<Real>(Product32(ring, state.CellWidth));
    for (int32_t slot = 0; slot <= 6 * ring; ++slot) {
      const Real angle = (static_cast<Real>(slot) * kTwoPi) / slots;
      Real radius = ring_radius;
      if (spiral) {
        const Real winding = (static_cast<Real>(slot) * kHalfPi) / slots;
        radius = (Sin(winding) + static_cast<Real>(ring)) * cell;
      }
      state.PosX[ring][slot] = Round(Cos(angle) * radius + half_width - half_cell);
      state.PosY[ring][slot] = Round(Sin(angle) * radius + half_height - half_cell);
    }
  }
}

enum class Shape { kGrid, kPyramid, kRings, kNone };

Shape ShapeOf(uint8_t algorithm) {
  switch (algorithm) {
    case 0: case 1: case 7: case 8: case 9: case 10:
      return Shape::kGrid;
    case 2:
      return Shape::kPyramid;
    case 3: case 4: case 5: case 6: case 11: case 12:
      return Shape::kRings;
    default:
      return Shape::kNone;
  }
}

}  // namespace

std::vector<LayoutCell> LayoutCells(const SaverState& state) {
  std::vector<LayoutCell> cells;
  switch (ShapeOf(state.Algorithm)) {
    case Shape::kGrid:
      for (int32_t row = 0; row <= LastIndex(state.GridRows); ++row)
        for (int32_t col = 0; col <= LastIndex(state.GridCols); ++col) cells.push_back({row, col});
      break;
    case Shape::kPyramid:
      for (int32_t row = 0; row <= LastIndex(state.GridRows); ++row)
        for (int32_t k = 0; k <= row; ++k) cells.push_back({row, k});
      break;
    case Shape::kRings:
      for (int32_t ring = 0; ring <= LastRing(state); ++ring)
        for (int32_t slot = 0; slot <= 6 * ring; ++slot) cells.push_back({ring, slot});
      break;
    case Shape::kNone:
      break;
  }
  return cells;
}

void UpAlgorithm(SaverState& state, Random& random) {
  if (state.Rands_Algorithm) PickRandomAlgorithm(state, random);
  state.FadeStep = 0;
  ClearFillGrid(state);
  state.CurCol = 0;
  state.CurRow = 0;

  switch (state.Algorithm) {
    case 0:
      LayOutJitteredGrid(state, random);
      break;
    case 1:
    case 7:
    case 8:
      LayOutGrid(state, GridShape::kPlain);
      break;
    case 2:
      LayOutPyramid(state);
      break;
    case 3:
    case 5:
    case 11:
    case 12:
      LayOutRings(state, /*spiral=*/false);
      break;
    case 4:
    case 6:
      LayOutRings(state, /*spiral=*/true);
      break;
    case 9:
      LayOutGrid(state, GridShape::kColumnWave);
      break;
    case 10:
      LayOutGrid(state, GridShape::kRowWave);
      break;
    default:
      break;  // an edited store may hold any byte: no layout, the tables stay as they were
  }

  if (state.Algorithm == 11 || state.Algorithm == 12) Snowflake_0(state);
}

}  // namespace ambervale
