#include "run/mouse_exit_rule.h"

#include <algorithm>
#include <cstdlib>

namespace ambervale {

void MouseExitRule::Start(uint64_t now_ms, Point cursor) {
  readings_.clear();
  readings_.push_back({now_ms, cursor});
}

bool MouseExitRule::Moved(uint64_t now_ms, uint32_t tick_interval_ms, Point cursor) {
  // A reading k ticks back counts as at least k intervals old, whatever the clock says: a tick
  // that comes early after a late one must not make the default pace look back two ticks.
  const Reading* reference = nullptr;
  size_t reference_index = 0;
  for (size_t k = 1; k <= readings_.size() && !reference; ++k) {
    const Reading& reading = readings_[readings_.size() - k];
    const uint64_t clock_age = now_ms > reading.time_ms ? now_ms - reading.time_ms : 0;
    const uint64_t tick_age = static_cast<uint64_t>(k) * tick_interval_ms;
    if (std::max(clock_age, tick_age) >= kMouseExitWindowMs) {
      reference = &reading;
      reference_index = readings_.size() - k;
    }
  }
  bool moved = false;
  if (reference) {
    const int64_t dx = std::llabs(static_cast<int64_t>(reference->cursor.x) - cursor.x);
    const int64_t dy = std::llabs(static_cast<int64_t>(reference->cursor.y) - cursor.y);
    moved = dx > kMouseExitThreshold || dy > kMouseExitThreshold;
    // Older readings can never be the newest one old enough again.
    readings_.erase(readings_.begin(), readings_.begin() + static_cast<std::ptrdiff_t>(reference_index));
  }
  readings_.push_back({now_ms, cursor});
  return moved;
}

}  // namespace ambervale
