#include "wayland/wayland_wait.h"

#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "linux/wake_clock.h"

namespace ambervale {

bool WaitForWayland(wl_display* display, std::span<pollfd> others,
                    const std::function<std::optional<MonotonicTime>()>& next_wake, const sigset_t& wait_mask) {
  while (wl_display_prepare_read(display) != 0) {
    if (wl_display_dispatch_pending(display) < 0) return false;
  }
  if (wl_display_flush(display) < 0 && errno != EAGAIN) {
    wl_display_cancel_read(display);
    return false;
  }
  std::vector<pollfd> fds{{wl_display_get_fd(display), POLLIN, 0}};
  fds.insert(fds.end(), others.begin(), others.end());
  const int ready = SleepUntil(fds, next_wake(), wait_mask);
  std::copy(fds.begin() + 1, fds.end(), others.begin());
  const pollfd& connection = fds.front();
  if (ready > 0 && (connection.revents & POLLIN)) {
    if (wl_display_read_events(display) < 0) return false;
  } else {
    wl_display_cancel_read(display);
    if (ready > 0 && (connection.revents & (POLLHUP | POLLERR))) return false;
  }
  return wl_display_dispatch_pending(display) >= 0;
}

}  // namespace ambervale
