// StartCycle: starts a cycle. Resets the cycle's progress, takes the settings' algorithm or,
// with Random on, picks one for this cycle alone, and fills the position tables with its
// layout (rings thinned by the ring mask for 11 and 12).
#pragma once

#include <cstdint>
#include <vector>

#include "engine/random.h"
#include "engine/saver_state.h"
#include "engine/settings.h"

namespace ambervale {

void StartCycle(SaverState& state, const Settings& settings, Random& random);

// One entry of the position tables: [row][col] for the grids and the pyramid, [ring][slot]
// for the ring layouts.
struct LayoutCell {
  int32_t row = 0;
  int32_t col = 0;
  friend bool operator==(const LayoutCell&, const LayoutCell&) = default;
};

// The cells StartCycle computes for the cycle's algorithm, in table order (row, then
// column; ring, then slot), kept inside the tables; none for an Algorithm above 12.
std::vector<LayoutCell> LayoutCells(const SaverState& state);

}  // namespace ambervale
