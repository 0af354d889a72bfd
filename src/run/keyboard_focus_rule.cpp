#include "run/keyboard_focus_rule.h"

namespace ambervale {

void KeyboardFocusRule::KeyboardArrived(MonotonicTime now) {
  keyboard_ = true;
  Arm(now);
}

void KeyboardFocusRule::Shown(MonotonicTime now) {
  shown_ = true;
  Arm(now);
}

void KeyboardFocusRule::Focused() {
  keys_ = Keys::kOurs;
  deadline_.reset();
}

// A seat without a keyboard has no keys to lose: the wait starts when one arrives.
void KeyboardFocusRule::Arm(MonotonicTime now) {
  if (keys_ == Keys::kUnknown && keyboard_ && shown_ && !deadline_) deadline_ = now + kWait;
}

bool KeyboardFocusRule::JudgeAt(MonotonicTime now) {
  if (keys_ != Keys::kUnknown || !deadline_ || now < *deadline_) return false;
  keys_ = Keys::kElsewhere;
  deadline_.reset();
  return true;
}

}  // namespace ambervale
