#include "engine/geometry.h"

#include <algorithm>

#include "engine/real_math.h"

namespace ambervale {
namespace {

int32_t ClampToGrid(int32_t count) { return std::clamp(count, 1, kMaxGrid); }

int32_t ColumnsForSize(uint8_t size) { return ClampToGrid(30 - static_cast<int32_t>(size)); }

// Round((columns x height) / divisor), the product formed in 32-bit integers first.
int32_t RowsFor(int32_t columns, int32_t height, int32_t divisor) {
  if (divisor <= 0) return 1;
  int32_t product = columns * height;  // at most 200 x 2^31/200: callers pass screen sizes
  return ClampToGrid(Round(static_cast<Real>(product) / static_cast<Real>(divisor)));
}

}  // namespace

void ApplyFullScreenGeometry(SaverState& state, int32_t screen_width, int32_t screen_height) {
  state.SurfaceWidth = screen_width;
  state.SurfaceHeight = screen_height;
  state.GridCols = ColumnsForSize(state.Size);
  state.GridRows = RowsFor(state.GridCols, screen_height, screen_width);
  state.CellWidth = screen_width > 0 ? Round(static_cast<Real>(screen_width) / static_cast<Real>(state.GridCols)) : 0;
  state.CellHeight = state.CellWidth;
}

void ApplyPreviewGeometry(SaverState& state, int32_t window_width, int32_t window_height) {
  state.SurfaceWidth = window_width;
  state.SurfaceHeight = window_height;
  state.GridCols = 10;
  state.GridRows = RowsFor(10, window_height, window_width + 1);
  state.CellWidth = std::max(Div(window_width, 10), 0);
  state.CellHeight = state.CellWidth;
}

void ApplyDialogGeometry(SaverState& state) {
  state.GridCols = ColumnsForSize(state.Size);
  state.GridRows = RowsFor(state.GridCols, state.SurfaceHeight, state.SurfaceWidth);
  state.CellWidth = std::max(Div(state.SurfaceWidth, state.GridCols), 0);
  state.CellHeight = state.CellWidth;
}

int32_t LastRing(const SaverState& state) { return std::clamp(Div(state.GridRows, 2), 0, kMaxRing); }

}  // namespace ambervale
