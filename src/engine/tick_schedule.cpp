#include "engine/tick_schedule.h"

namespace ambervale {

TickSchedule::TickSchedule(int64_t counts_per_second)
    : counts_per_second_(counts_per_second > 0 ? counts_per_second : 1) {}

void TickSchedule::Start(int64_t now, uint32_t interval_ms) {
  const int64_t milliseconds = interval_ms > 0 ? interval_ms : 1;
  // interval x frequency / 1000 split into whole counts and a remainder in thousandths, so
  // neither the product nor the carried sum can overflow for any real counter frequency.
  whole_ = milliseconds * (counts_per_second_ / 1000) + milliseconds * (counts_per_second_ % 1000) / 1000;
  thousandths_ = milliseconds * (counts_per_second_ % 1000) % 1000;
  due_ = now;
  due_thousandths_ = 0;
  Advance(1);
}

bool TickSchedule::TakeTick(int64_t now) {
  if (now < due_) return false;
  // Every due time up to `now` is served by this one tick. Approximate the count of the
  // missed ones from the whole counts alone, then step the rest exactly.
  const int64_t approximate_interval = whole_ + 1;
  const int64_t missed = (now - due_) / approximate_interval;
  if (missed > 1) Advance(missed - 1);
  while (due_ <= now) Advance(1);
  return true;
}

void TickSchedule::Advance(int64_t steps) {
  const int64_t thousandths = due_thousandths_ + steps * thousandths_;
  due_ += steps * whole_ + thousandths / 1000;
  due_thousandths_ = thousandths % 1000;
}

}  // namespace ambervale
