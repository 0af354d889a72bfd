// When the saver's ticks are due. Due times lie on a grid that starts one interval after the
// pace is set (or a restore restarts it): tick k is due at start + k x interval. Intervals are whole
// milliseconds and readings whole microseconds, so the grid is exact and a long run keeps the
// promised pace however late each wake is. A wake that comes late gets every tick it missed,
// as long as the oldest of them is at most 250 ms overdue (a late wake, a busy machine); after
// a longer gap (a stopped process, a suspended laptop) the grid starts again from the wake:
// one tick, no burst.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>

namespace ambervale {

// A reading of the host's monotonic clock, counted from any fixed origin.
using MonotonicTime = std::chrono::microseconds;

class Pacer {
 public:
  static constexpr MonotonicTime kMaxCatchUp = std::chrono::milliseconds(250);

  // The interval between ticks (0 is taken as 1 ms). The grid starts at the next reading.
  void SetInterval(uint32_t milliseconds);
  // The grid starts again at the next reading (after a restore: its ticks are not made up).
  void Restart() { due_.reset(); }

  // True when a tick is due at `now`, which then counts as done. The first reading after the
  // grid (re)starts only starts it. Ask until false to perform every due tick.
  bool TakeTick(MonotonicTime now);
  // When the next tick is due; nothing until a reading starts the grid.
  std::optional<MonotonicTime> NextDue() const { return due_; }

 private:
  MonotonicTime interval_ = std::chrono::milliseconds(100);
  std::optional<MonotonicTime> due_;
};

}  // namespace ambervale
