// The tick's pace: deadlines one interval apart on the monotonic clock, so waiting on the
// X connection between ticks neither drifts nor bursts after a stall.
#pragma once

#include <chrono>
#include <cstdint>

namespace ambervale {

class TickPacer {
 public:
  using Clock = std::chrono::steady_clock;

  void SetInterval(uint32_t milliseconds, Clock::time_point now);
  // The timer switched on (again): the next tick is one whole interval away.
  void Restart(Clock::time_point now) { deadline_ = now + interval_; }
  void SetEnabled(bool on, Clock::time_point now);

  bool Enabled() const { return enabled_; }
  bool Due(Clock::time_point now) const { return enabled_ && now >= deadline_; }
  // After a tick: the next deadline follows the last one. A busy machine's short delays are
  // caught up (a few quick ticks keep the pace at 2 ms), a longer stall is skipped instead of
  // replayed as a burst.
  void Advance(Clock::time_point now);
  static constexpr Clock::duration kMaxCatchUp = std::chrono::milliseconds(25);
  // How long to wait for the next tick: 0 when due, -1 (forever) when switched off.
  int64_t WaitNanoseconds(Clock::time_point now) const;

  Clock::duration Interval() const { return interval_; }
  Clock::time_point Deadline() const { return deadline_; }

 private:
  Clock::duration interval_ = std::chrono::milliseconds(100);
  Clock::time_point deadline_{};
  bool enabled_ = true;
};

}  // namespace ambervale
