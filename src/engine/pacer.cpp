#include "engine/pacer.h"

namespace ambervale {

void Pacer::SetInterval(uint32_t milliseconds) {
  interval_ = std::chrono::milliseconds(milliseconds > 0 ? milliseconds : 1);
  due_.reset();
}

void Pacer::SetTicking(bool on) {
  if (on && !ticking_) due_.reset();
  ticking_ = on;
}

bool Pacer::TakeTick(MonotonicTime now) {
  if (!ticking_) return false;
  if (!due_) {
    due_ = now + interval_;
    return false;
  }
  if (now < *due_) return false;
  if (now - *due_ > kMaxCatchUp) due_ = now;
  *due_ += interval_;
  return true;
}

}  // namespace ambervale
