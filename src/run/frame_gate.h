// A host's presents at the screen's rate: what the ticks changed waits here and goes to the
// screen at most once per display frame, and the host sleeps until a tick could be shown.
// The X11 hack and the Windows composited window present through it.
#pragma once

#include <optional>

#include "run/pacer.h"
#include "surfaces/damage.h"

namespace ambervale {

class FrameGate {
 public:
  // The display's refresh rate; an unknown or implausible one counts as 60 Hz.
  void SetRefresh(double hertz);
  MonotonicTime Frame() const { return frame_; }

  // What a wake changed joins what waits.
  void Add(const Damage& changed) { waiting_.Add(changed); }
  // All that waits, when a frame has passed since the last present (this one then counts as
  // made); nothing while nothing waits or the frame has not passed.
  std::optional<Damage> TakeDue(MonotonicTime now);
  // The host presented everything outside the gate (a restore, a new size).
  void PresentedAll() { waiting_.Clear(); }
  // When to wake: at the next frame for a change that waits, else at the next tick but not
  // before the next frame (the ticks due by then run at that wake, unseen before).
  std::optional<MonotonicTime> NextWake(std::optional<MonotonicTime> next_tick) const;

 private:
  MonotonicTime frame_ = std::chrono::microseconds(16667);
  std::optional<MonotonicTime> last_present_;
  Damage waiting_;
};

}  // namespace ambervale
