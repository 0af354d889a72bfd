// When the saver's tick is due, on a monotonic counter of known frequency (on Windows the
// performance counter). Due times lie on a fixed grid that starts when the interval starts:
// tick k is due at start + k x interval, computed exactly (the thousandths of a count that
// an interval in milliseconds leaves over are carried, not dropped), so a long run keeps the
// promised pace however late each single wake-up is. A wake-up that comes after several due
// times gives one tick, and the next tick is due at the first grid time after it: missed
// ticks are dropped, never queued.
#pragma once

#include <cstdint>

namespace ambervale {

class TickSchedule {
 public:
  explicit TickSchedule(int64_t counts_per_second);

  // (Re)starts the grid at `now`: the first tick is due one interval later. An interval of
  // 0 is taken as 1 ms.
  void Start(int64_t now, uint32_t interval_ms);

  // True when a tick is due at `now`; the next due time then moves past `now`.
  bool TakeTick(int64_t now);

  int64_t NextDue() const { return due_; }
  // Counts from `now` until the next due time, 0 when it has passed.
  int64_t CountsUntilDue(int64_t now) const { return due_ > now ? due_ - now : 0; }

 private:
  // Moves the due time `steps` intervals on.
  void Advance(int64_t steps);

  int64_t counts_per_second_;
  int64_t whole_ = 0;         // one interval: whole counts ...
  int64_t thousandths_ = 0;   // ... and thousandths of a count, 0..999
  int64_t due_ = 0;
  int64_t due_thousandths_ = 0;
};

}  // namespace ambervale
