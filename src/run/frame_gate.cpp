#include "run/frame_gate.h"

#include <algorithm>
#include <utility>

namespace ambervale {

void FrameGate::SetRefresh(double hertz) {
  if (!(hertz >= 20 && hertz <= 1000)) hertz = 60;
  frame_ = std::chrono::microseconds(static_cast<int64_t>(1e6 / hertz));
}

std::optional<Damage> FrameGate::TakeDue(MonotonicTime now) {
  if (waiting_.Empty() || (last_present_ && now < *last_present_ + frame_)) return std::nullopt;
  last_present_ = now;
  return std::exchange(waiting_, Damage{});
}

std::optional<MonotonicTime> FrameGate::NextWake(std::optional<MonotonicTime> next_tick) const {
  const MonotonicTime next_frame = last_present_ ? *last_present_ + frame_ : MonotonicTime{};
  if (!waiting_.Empty()) return next_frame;
  if (!next_tick) return std::nullopt;
  return std::max(*next_tick, next_frame);
}

}  // namespace ambervale
