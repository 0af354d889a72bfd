// UpAlgorithm: starts a cycle. Resets the cycle's progress, picks a random algorithm when
// asked to, and fills PosX/PosY with the current algorithm's layout (rings thinned by the
// ring mask for 11 and 12).
#pragma once

#include "engine/random.h"
#include "engine/saver_state.h"

namespace ambervale {

void UpAlgorithm(SaverState& state, Random& random);

}  // namespace ambervale
