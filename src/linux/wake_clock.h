// The Linux programs' clock for the runs, now on CLOCK_MONOTONIC, and their one way to sleep:
// until an event on their connections, the run's next wake or a stop signal.
#pragma once

#include <poll.h>
#include <signal.h>

#include <optional>
#include <span>

#include "run/pacer.h"

namespace ambervale {

MonotonicTime MonotonicNow();

// Sleeps in ppoll until one of `fds` has an event, `wake` comes (none: no time limit) or a
// stop signal arrives: `wait_mask` lets them in for the sleep alone (InstallStopSignals).
// Returns ppoll's result, with each descriptor's revents set.
int SleepUntil(std::span<pollfd> fds, std::optional<MonotonicTime> wake, const sigset_t& wait_mask);

}  // namespace ambervale
