// A host's presents at the screen's rate: what the ticks changed goes to the screen at
// most once per display frame, and the host sleeps until a tick could be shown.
#pragma once

#include <optional>

#include "engine/pacer.h"

namespace ambervale {

class FrameGate {
 public:
  // The display's refresh rate; an unknown or implausible one counts as 60 Hz.
  void SetRefresh(double hertz);
  MonotonicTime Frame() const { return frame_; }

  // True when a present may go out at `now` (a frame has passed since the last one), which
  // then counts as made.
  bool TakeFrame(MonotonicTime now);
  // When to wake: at the next frame for a change that waits to be presented, else at the next
  // tick but not before the next frame (the ticks due by then run at that wake, unseen before).
  std::optional<MonotonicTime> NextWake(std::optional<MonotonicTime> next_tick, bool change_waiting) const;

 private:
  MonotonicTime frame_ = std::chrono::microseconds(16667);
  std::optional<MonotonicTime> last_present_;
};

}  // namespace ambervale
