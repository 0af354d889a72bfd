#include "wayland/pointer_rule.h"

#include <cstdlib>

#include "engine/mouse_exit_rule.h"

namespace ambervale {

bool PointerRule::Moved(Point position) {
  // The first position seen is where the pointer rested when the run began.
  if (!at_last_tick_) at_last_tick_ = position;
  latest_ = position;
  const int64_t dx = std::llabs(int64_t{position.x} - at_last_tick_->x);
  const int64_t dy = std::llabs(int64_t{position.y} - at_last_tick_->y);
  return dx > kMouseExitThreshold || dy > kMouseExitThreshold;
}

void PointerRule::Tick() {
  if (at_last_tick_) at_last_tick_ = latest_;
}

}  // namespace ambervale
