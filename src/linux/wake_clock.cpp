#include "linux/wake_clock.h"

#include <chrono>

namespace ambervale {

MonotonicTime MonotonicNow() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return std::chrono::seconds(now.tv_sec) +
         std::chrono::duration_cast<MonotonicTime>(std::chrono::nanoseconds(now.tv_nsec));
}

std::optional<timespec> TimeUntil(std::optional<MonotonicTime> wake, MonotonicTime now) {
  if (!wake) return std::nullopt;
  const MonotonicTime wait = *wake > now ? *wake - now : MonotonicTime{0};
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(wait);
  return timespec{static_cast<time_t>(seconds.count()),
                  static_cast<long>(std::chrono::duration_cast<std::chrono::nanoseconds>(wait - seconds).count())};
}

}  // namespace ambervale
