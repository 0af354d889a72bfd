// When the keys cannot end a run: a compositor may give the saver's surfaces no keyboard focus,
// and then the keys go to other windows. Where a keyboard exists and the saver has shown for a
// while without the focus, a pointer movement stands for the key press the saver cannot hear.
#pragma once

#include <chrono>
#include <optional>

#include "run/pacer.h"

namespace ambervale {

class KeyboardFocusRule {
 public:
  // How long after the first frame (or the keyboard's arrival) the compositor may take to give
  // the saver the keyboard.
  static constexpr MonotonicTime kWait = std::chrono::seconds(3);

  void KeyboardArrived(MonotonicTime now);
  void Shown(MonotonicTime now);  // a frame is on the screen
  void Focused();                 // the saver has the keyboard
  // True once: at the first reading after the wait, without the keyboard.
  bool JudgeAt(MonotonicTime now);
  // When JudgeAt may next decide; none once decided or before it can start.
  std::optional<MonotonicTime> Deadline() const { return deadline_; }
  bool MotionStandsForKey() const { return keys_ == Keys::kElsewhere; }

 private:
  void Arm(MonotonicTime now);

  enum class Keys { kUnknown, kOurs, kElsewhere } keys_ = Keys::kUnknown;
  bool keyboard_ = false;
  bool shown_ = false;
  std::optional<MonotonicTime> deadline_;
};

}  // namespace ambervale
