// ambervale-wayland's client: a layer-shell overlay surface on every output, the leaves drawn
// into shared-memory buffers at each output's real pixels, and the end on input or a signal.
#pragma once

#include <signal.h>

#include "linux/linux_options.h"

struct wl_display;

namespace ambervale {

// Runs until input, a stop signal (see InstallStopSignals: `wait_mask` is the mask to wait
// with) or the compositor's end. Returns the exit code: 0 for an ordinary end, 1 when the
// compositor lacks what it needs.
int RunWaylandSaver(wl_display* display, const LinuxOptions& options, const sigset_t& wait_mask);

}  // namespace ambervale
