// The Linux programs' clock for the runs: now on CLOCK_MONOTONIC, and how long to sleep in
// ppoll until a run's next wake.
#pragma once

#include <time.h>

#include <optional>

#include "engine/pacer.h"

namespace ambervale {

MonotonicTime MonotonicNow();

// From `now` until `wake` (zero when it has passed); nothing (sleep until an event) for no wake.
std::optional<timespec> TimeUntil(std::optional<MonotonicTime> wake, MonotonicTime now);

}  // namespace ambervale
