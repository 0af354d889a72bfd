// The three rules that turn a surface size and the Size setting into the grid.
//
// Out-of-range input stays safe: GridCols and GridRows are kept within 1..200, so a Size of
// 30 or more (no columns) and a surface twenty times wider than tall (no rows) still give a
// grid of at least one cell that every table index fits, and nothing divides by zero.
#pragma once

#include <cstdint>

#include "engine/saver_state.h"

namespace ambervale {

// Full screen: cells of Round(width / columns) pixels, columns = 30 - Size.
void ApplyFullScreenGeometry(SaverState& state, uint8_t size, int32_t screen_width, int32_t screen_height);
// Preview: ten columns, rows against width + 1, cells of width div 10.
void ApplyPreviewGeometry(SaverState& state, int32_t window_width, int32_t window_height);
// Size changed in the settings dialog: the full-screen columns and rows on the same surface,
// cells of width div columns.
void ApplyDialogGeometry(SaverState& state, uint8_t size);

// The grid a running surface takes when its Size changes: the Windows settings dialog's rule,
// or the full screen's (the grid a start-up on that surface would lay: the Linux settings
// window's preview, which shows a Size as the saver will).
enum class SizeRule : uint8_t { kDialog, kFullScreen };
void ApplySizeChange(SaverState& state, uint8_t size, SizeRule rule);

// The last ring of the ring layouts: GridRows div 2, capped where a ring's slots would no
// longer fit a table row (ring 33 has 199 slots).
int32_t LastRing(const SaverState& state);

}  // namespace ambervale
