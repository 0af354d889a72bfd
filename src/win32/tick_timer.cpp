#include "win32/tick_timer.h"

#include <stdio.h>
#include <timeapi.h>

#include <utility>

#include "win32/application.h"
#include "win32/system_library.h"

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace ambervale {
namespace {

// Asked twice an interval, every due time gets its tick in a modal loop too (late by up to
// half an interval, the grid unmoved), at the cost of one extra wake-up an interval. Under
// SetTimer's floor of 10 ms a modal loop ticks no faster than that.
UINT StandInInterval(uint32_t interval) {
  return interval / 2 > USER_TIMER_MINIMUM ? interval / 2 : USER_TIMER_MINIMUM;
}

int64_t CounterFrequency() {
  LARGE_INTEGER frequency{};
  QueryPerformanceFrequency(&frequency);
  return frequency.QuadPart;
}

int64_t CounterNow() {
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

// A high-resolution timer wakes within about half a millisecond of its due time (Windows 10
// 1803 and later). Older systems refuse the flag, and their plain timer wakes on the system
// clock's tick (15.6 ms unless raised), which would hold the fastest paces to that: for them
// the clock is raised to 1 ms for as long as the timer lives.
// winmm is not a known DLL: it comes from the system folder, by its path, and only where it is
// needed.
using TimePeriodCall = MMRESULT(WINAPI*)(UINT);

TimePeriodCall TimePeriodFunction(const char* name) {
  static HMODULE winmm = LoadSystemLibrary("winmm.dll");
  return ExportedFunction<TimePeriodCall>(winmm, name);
}

HANDLE CreateTickHandle(bool& raised_clock) {
  HANDLE handle = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
  raised_clock = false;
  if (handle) return handle;
  const TimePeriodCall begin = TimePeriodFunction("timeBeginPeriod");
  raised_clock = begin && begin(1) == TIMERR_NOERROR;
  return CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
}

}  // namespace

TickTimer::TickTimer(std::function<void()> on_tick)
    : on_tick_(std::move(on_tick)), handle_(CreateTickHandle(raised_clock_)), schedule_(CounterFrequency()) {}

TickTimer::~TickTimer() {
  Detach();
  if (handle_) CloseHandle(handle_);
}

void TickTimer::Attach(HWND window) {
  window_ = window;
  if (handle_) Application::Instance().WatchHandle(handle_, [this] { TickIfDue(); });
  Restart();
}

void TickTimer::Detach() {
  Stop();
  if (handle_) Application::Instance().UnwatchHandle(handle_);
  window_ = nullptr;
  // The run is over (its window went): the system clock goes back to its own pace.
  if (raised_clock_) {
    if (const TimePeriodCall end = TimePeriodFunction("timeEndPeriod")) end(1);
  }
  raised_clock_ = false;
}

void TickTimer::SetEnabled(bool on) {
  enabled_ = on;
  Restart();
}

void TickTimer::SetInterval(uint32_t milliseconds) {
  interval_ = milliseconds;
  Restart();
}

void TickTimer::Restart() {
  Stop();
  if (!Running() || interval_ == 0) return;
  schedule_.Start(CounterNow(), interval_);
  Arm();
  SetTimer(window_, kStandInTimerId, StandInInterval(interval_), nullptr);
}

void TickTimer::Stop() {
  if (handle_) CancelWaitableTimer(handle_);
  if (window_) KillTimer(window_, kStandInTimerId);
}

void TickTimer::Arm() {
  if (!handle_) return;
  const int64_t frequency = CounterFrequency();
  const int64_t counts = schedule_.CountsUntilDue(CounterNow());
  // Rounded up to whole 100 ns units, so the wake-up is never before the due time.
  const int64_t hundreds_of_ns = (counts * 10'000'000 + frequency - 1) / frequency;
  LARGE_INTEGER due{};
  due.QuadPart = -(hundreds_of_ns > 0 ? hundreds_of_ns : 1);  // negative: relative to now
  SetWaitableTimer(handle_, &due, 0, nullptr, nullptr, FALSE);
}

void TickTimer::TickIfDue() {
  // A tick that opens a modal loop (an error box) must not be entered again from it.
  if (!Running() || ticking_) return;
  if (schedule_.TakeTick(CounterNow())) {
    ticking_ = true;
    const int64_t start = CounterNow();
    on_tick_();
    ticking_ = false;
    Trace(CounterNow() - start);
  }
  // The tick may have switched the timer off and on (a new cycle), or closed the window.
  if (Running()) Arm();
}

#ifdef AMBERVALE_PACE_TRACE
// Test builds only: a line on stderr about once a second, for scripts/measure-pace.sh.
void TickTimer::Trace(int64_t tick_counts) {
  ++ticks_;
  busy_ += tick_counts;
  const int64_t now = CounterNow();
  const int64_t frequency = CounterFrequency();
  if (last_trace_ != 0 && now - last_trace_ < frequency) return;
  last_trace_ = now;
  fprintf(stderr, "pace ticks=%llu counter=%lld busy=%lld frequency=%lld interval=%u\n",
          static_cast<unsigned long long>(ticks_), static_cast<long long>(now), static_cast<long long>(busy_),
          static_cast<long long>(frequency), interval_);
  fflush(stderr);
}
#else
void TickTimer::Trace(int64_t) {}
#endif

}  // namespace ambervale
