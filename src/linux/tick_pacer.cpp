#include "linux/tick_pacer.h"

#include <algorithm>

namespace ambervale {

void TickPacer::SetInterval(uint32_t milliseconds, Clock::time_point now) {
  interval_ = std::chrono::milliseconds(milliseconds > 0 ? milliseconds : 1);
  Restart(now);
}

void TickPacer::SetEnabled(bool on, Clock::time_point now) {
  if (on && !enabled_) Restart(now);
  enabled_ = on;
}

void TickPacer::Advance(Clock::time_point now) {
  deadline_ += interval_;
  if (now - deadline_ > std::max<Clock::duration>(interval_, kMaxCatchUp)) deadline_ = now + interval_;
}

int64_t TickPacer::WaitNanoseconds(Clock::time_point now) const {
  if (!enabled_) return -1;
  if (now >= deadline_) return 0;
  return std::chrono::duration_cast<std::chrono::nanoseconds>(deadline_ - now).count();
}

}  // namespace ambervale
