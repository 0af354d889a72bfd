#include "run/pacer.h"

namespace ambervale {

void Pacer::SetInterval(uint32_t milliseconds) {
  interval_ = std::chrono::milliseconds(milliseconds > 0 ? milliseconds : 1);
  due_.reset();
}

bool Pacer::TakeTick(MonotonicTime now) {
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
