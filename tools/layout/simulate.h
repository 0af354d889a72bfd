// The tool's --simulate hook: runs whole cycles of the saver from the prepared state and
// prints them in place of the layout.
#pragma once

#include "engine/random.h"
#include "engine/saver_state.h"
#include "engine/settings.h"

namespace ambervale {

// Runs `cycles` cycles (at least 1) starting from `state`, whose geometry and Algorithm are
// set and whose first layout has not been computed yet. `random_algorithm` turns on the
// random pick at every new cycle. Returns the process exit status.
int RunSimulation(SaverState& state, Settings settings, Random& random, int cycles);

}  // namespace ambervale
