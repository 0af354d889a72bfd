// The one wait of the Wayland programs, the saver's and the idle watcher's: libwayland's
// read protocol around the Linux programs' sleep (SleepUntil).
#pragma once

#include <poll.h>
#include <signal.h>

#include <functional>
#include <optional>
#include <span>

#include "run/pacer.h"

struct wl_display;

namespace ambervale {

// Dispatches the events already queued and flushes the requests, then sleeps until the
// compositor, one of `others` (their revents set on return), the time `next_wake` gives once
// those events are handled, or a stop signal, and dispatches what the compositor sent. False
// when the connection broke. A failure a listener kept waits for the caller's
// RethrowCaughtFailure.
bool WaitForWayland(wl_display* display, std::span<pollfd> others,
                    const std::function<std::optional<MonotonicTime>()>& next_wake, const sigset_t& wait_mask);

}  // namespace ambervale
