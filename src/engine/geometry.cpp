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

void ApplyFullScreenGeometry(SaverState& state, uint8_t size, int32_t screen_width, int32_t screen_height) {
  state.grid.surface_width = screen_width;
  state.grid.surface_height = screen_height;
  state.grid.cols = ColumnsForSize(size);
  state.grid.rows = RowsFor(state.grid.cols, screen_height, screen_width);
  state.grid.cell_width =
      screen_width > 0 ? Round(static_cast<Real>(screen_width) / static_cast<Real>(state.grid.cols)) : 0;
  state.grid.cell_height = state.grid.cell_width;
}

void ApplyPreviewGeometry(SaverState& state, int32_t window_width, int32_t window_height) {
  state.grid.surface_width = window_width;
  state.grid.surface_height = window_height;
  state.grid.cols = 10;
  state.grid.rows = RowsFor(10, window_height, window_width + 1);
  state.grid.cell_width = std::max(Div(window_width, 10), 0);
  state.grid.cell_height = state.grid.cell_width;
}

void ApplyDialogGeometry(SaverState& state, uint8_t size) {
  state.grid.cols = ColumnsForSize(size);
  state.grid.rows = RowsFor(state.grid.cols, state.grid.surface_height, state.grid.surface_width);
  state.grid.cell_width = std::max(Div(state.grid.surface_width, state.grid.cols), 0);
  state.grid.cell_height = state.grid.cell_width;
}

int32_t LastRing(const SaverState& state) { return std::clamp(Div(state.grid.rows, 2), 0, kMaxRing); }

void ApplySizeChange(SaverState& state, uint8_t size, SizeRule rule) {
  if (rule == SizeRule::kDialog) return ApplyDialogGeometry(state, size);
  ApplyFullScreenGeometry(state, size, state.grid.surface_width, state.grid.surface_height);
}

}  // namespace ambervale
