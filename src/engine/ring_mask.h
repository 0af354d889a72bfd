// ApplyRingMask: the fixed mask that thins the rings of algorithms 11 and 12. A masked slot
// gets PosX = PosY = 0, which the tick skips.
#pragma once

#include <cstdint>

#include "engine/saver_state.h"

namespace ambervale {

// Whether slot `slot` of ring `ring` is masked (depends on the two numbers alone).
bool IsMaskedSlot(int32_t ring, int32_t slot);

void ApplyRingMask(SaverState& state);

}  // namespace ambervale
