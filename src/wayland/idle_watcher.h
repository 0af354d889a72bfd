// ambervale-wayland --idle SECONDS: a resident watcher that starts the saver, as a process of
// its own, each time the session has been idle that long. The saver ends on input as always;
// the watcher then waits for the next idle stretch. Idle, it sleeps in one poll.
#pragma once

#include <signal.h>

#include <cstdint>
#include <string>
#include <vector>

struct wl_display;

namespace ambervale {

// Runs until a stop signal (see InstallStopSignals: `wait_mask` is the mask to wait with) or the
// compositor's end. `saver_arguments` is the saver's command line (argv[0] first). Returns the
// exit code: 0 for an ordinary end, 1 where no idle protocol or monitor is offered.
int RunIdleWatcher(wl_display* display, int32_t seconds, const std::vector<std::string>& saver_arguments,
                   const sigset_t& wait_mask);

}  // namespace ambervale
