// WakeTimer, the saver's wake-up: the run says when it next needs waking (SaverRun::Advance),
// and the timer wakes the window then, once. It keeps no pace of its own: which ticks are due
// at a wake is the run's business. SetTimer cannot wake in time for the fastest paces (it
// raises anything under 10 ms to 10 ms, and Windows rounds to its 15.6 ms clock besides), so
// the wake comes from a waitable timer that the application's message loop waits on, armed
// on the performance counter.
//
// Modal loops (a window being dragged, an error box) run their own message loop that never
// waits on the timer's handle; there a coarse WM_TIMER of the attached window stands in, so
// the saver keeps going at SetTimer's pace until the modal loop ends.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>

#include "run/pacer.h"

namespace ambervale {

class WakeTimer {
 public:
  // The WM_TIMER id of the modal-loop stand-in on the attached window.
  static constexpr UINT_PTR kStandInTimerId = 1;

  explicit WakeTimer(std::function<void()> on_wake);
  ~WakeTimer();
  WakeTimer(const WakeTimer&) = delete;
  WakeTimer& operator=(const WakeTimer&) = delete;

  // The performance counter's reading, the clock of every wake.
  static MonotonicTime Now();

  // Wakes come once a window is attached; they stop for good when it is detached, as its
  // window goes.
  void Attach(HWND window);
  void Detach();

  // The one next wake: at `when` (at once when it has passed), or none.
  void WakeAt(std::optional<MonotonicTime> when);

  // The attached window's WM_TIMER with kStandInTimerId.
  void OnStandInTimer() { WakeIfDue(); }

 private:
  void Arm();
  void WakeIfDue();

  std::function<void()> on_wake_;
  bool raised_clock_ = false;  // timeBeginPeriod(1) in force, to be undone
  HANDLE handle_ = nullptr;
  HWND window_ = nullptr;
  std::optional<MonotonicTime> due_;
  bool waking_ = false;
};

}  // namespace ambervale
