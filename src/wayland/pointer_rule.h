// The mouse rule of a full-screen run: a movement of more than 100 pixels along x or along y
// between two consecutive ticks ends it; a slow movement never does, however far it goes.
#pragma once

#include <optional>

#include "surfaces/types.h"

namespace ambervale {

class PointerRule {
 public:
  // A pointer position in the compositor's space. True when it breaks the rule.
  bool Moved(Point position);
  // A tick passed: the next movement counts from where the pointer is now.
  void Tick();

 private:
  std::optional<Point> at_last_tick_;
  Point latest_;
};

}  // namespace ambervale
