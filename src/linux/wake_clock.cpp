#include "linux/wake_clock.h"

#include <chrono>

namespace ambervale {

MonotonicTime MonotonicNow() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return std::chrono::seconds(now.tv_sec) +
         std::chrono::duration_cast<MonotonicTime>(std::chrono::nanoseconds(now.tv_nsec));
}

int SleepUntil(std::span<pollfd> fds, std::optional<MonotonicTime> wake, const sigset_t& wait_mask) {
  if (!wake) return ppoll(fds.data(), fds.size(), nullptr, &wait_mask);
  const MonotonicTime now = MonotonicNow();
  const MonotonicTime wait = *wake > now ? *wake - now : MonotonicTime{0};
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(wait);
  const timespec timeout{
      static_cast<time_t>(seconds.count()),
      static_cast<long>(std::chrono::duration_cast<std::chrono::nanoseconds>(wait - seconds).count())};
  return ppoll(fds.data(), fds.size(), &timeout, &wait_mask);
}

}  // namespace ambervale
