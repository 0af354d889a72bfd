#include "linux/tick_stats.h"

#include <chrono>
#include <cstdio>

namespace ambervale {

void TickStats::Count(MonotonicTime now, int32_t ticks) {
  if (ticks <= 0) return;
  if (ticks_ == 0) {
    first_ = second_start_ = now;
    first_wake_ticks_ = ticks;
  }
  ticks_ += ticks;
  last_ = now;
  second_ticks_ += ticks;
  if (now - second_start_ >= std::chrono::seconds(1)) {
    shown_rate_ = second_ticks_ / std::chrono::duration<double>(now - second_start_).count();
    second_start_ = now;
    second_ticks_ = 0;
  }
}

double TickStats::MeanIntervalMs() const {
  // The first wake's ticks are due at or before it: the ones after it span first_ to last_.
  const long spanned = ticks_ - first_wake_ticks_;
  return spanned > 0 ? std::chrono::duration<double, std::milli>(last_ - first_).count() / spanned : 0.0;
}

void TickStats::PrintSummary(const char* program, const std::string& where, uint32_t nominal_ms) const {
  if (ticks_ < 2) return;
  const double seconds = std::chrono::duration<double>(last_ - first_).count();
  std::fprintf(stderr, "%s: %s%s%ld ticks, mean interval %.2f ms (nominal %u ms), %ld presents, %.1f a second\n",
               program, where.c_str(), where.empty() ? "" : ": ", ticks_, MeanIntervalMs(), nominal_ms, presents_,
               seconds > 0 ? presents_ / seconds : 0.0);
}

}  // namespace ambervale
