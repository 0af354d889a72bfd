#include "engine/frame_gate.h"

#include <algorithm>

namespace ambervale {

void FrameGate::SetRefresh(double hertz) {
  if (!(hertz >= 20 && hertz <= 1000)) hertz = 60;
  frame_ = std::chrono::microseconds(static_cast<int64_t>(1e6 / hertz));
}

bool FrameGate::TakeFrame(MonotonicTime now) {
  if (last_present_ && now < *last_present_ + frame_) return false;
  last_present_ = now;
  return true;
}

std::optional<MonotonicTime> FrameGate::NextWake(std::optional<MonotonicTime> next_tick, bool change_waiting) const {
  const MonotonicTime next_frame = last_present_ ? *last_present_ + frame_ : MonotonicTime{};
  if (change_waiting) return next_frame;
  if (!next_tick) return std::nullopt;
  return std::max(*next_tick, next_frame);
}

}  // namespace ambervale
