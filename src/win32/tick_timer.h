// TickTimer, the saver's tick: an interval and an enabled flag; switching it on, or changing the
// interval, restarts the interval. SetTimer cannot keep the pace the Fast slider promises (it
// raises anything under 10 ms to 10 ms, and Windows rounds to its 15.6 ms clock besides), so
// the tick comes from a waitable timer that the application's message loop waits on, armed
// for due times taken from the performance counter (TickSchedule). A late wake-up gives one
// tick, never a burst.
//
// Modal loops (a window being dragged, an error box) run their own message loop that never
// waits on the timer's handle; there a coarse WM_TIMER of the attached window asks whether a
// tick is due, so the saver keeps going at SetTimer's pace until the modal loop ends.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

#include "engine/saver_startup.h"
#include "engine/tick_schedule.h"

namespace ambervale {

class TickTimer {
 public:
  // The WM_TIMER id of the modal-loop stand-in on the attached window.
  static constexpr UINT_PTR kStandInTimerId = 1;

  explicit TickTimer(std::function<void()> on_tick);
  ~TickTimer();
  TickTimer(const TickTimer&) = delete;
  TickTimer& operator=(const TickTimer&) = delete;

  // Ticks start once a window is attached (and the timer is enabled); they stop for good when
  // it is detached, as its window goes.
  void Attach(HWND window);
  void Detach();

  void SetEnabled(bool on);
  void SetInterval(uint32_t milliseconds);
  uint32_t interval() const { return interval_; }

  // The attached window's WM_TIMER with kStandInTimerId.
  void OnStandInTimer() { TickIfDue(); }

 private:
  bool Running() const { return window_ && enabled_; }
  void Restart();
  void Stop();
  void Arm();
  void TickIfDue();
  // Test builds: counts the tick that took `tick_counts` and now and then reports.
  void Trace(int64_t tick_counts);

  std::function<void()> on_tick_;
  bool raised_clock_ = false;  // timeBeginPeriod(1) in force, to be undone
  HANDLE handle_ = nullptr;
  TickSchedule schedule_;
  HWND window_ = nullptr;
  bool enabled_ = true;
  bool ticking_ = false;
  uint32_t interval_ = kPreviewTickInterval;  // the design-time value
#ifdef AMBERVALE_PACE_TRACE
  uint64_t ticks_ = 0;
  int64_t busy_ = 0;
  int64_t last_trace_ = 0;
#endif
};

}  // namespace ambervale
