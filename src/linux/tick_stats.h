// The pace a run achieved, for --fps: its ticks, counted at the wakes that performed them, and
// its presents.
#pragma once

#include <cstdint>
#include <string>

#include "run/pacer.h"

namespace ambervale {

class TickStats {
 public:
  void Count(MonotonicTime now, int32_t ticks);
  void CountPresent() { ++presents_; }
  long Ticks() const { return ticks_; }
  // From the first wake that ticked to the last; 0 until two wakes ticked.
  double MeanIntervalMs() const;
  // Over the last whole second that ended.
  double TicksPerSecond() const { return shown_rate_; }
  // The line a run ends with on stderr under --fps, once it ticked twice:
  // "PROGRAM: [WHERE: ]N ticks, mean interval X ms (nominal M ms), P presents, R a second".
  void PrintSummary(const char* program, const std::string& where, uint32_t nominal_ms) const;

 private:
  long ticks_ = 0;
  long presents_ = 0;
  long first_wake_ticks_ = 0;
  MonotonicTime first_{}, last_{};
  long second_ticks_ = 0;
  MonotonicTime second_start_{};
  double shown_rate_ = 0;
};

}  // namespace ambervale
