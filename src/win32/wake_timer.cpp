#include "win32/wake_timer.h"

#include <timeapi.h>

#include <algorithm>
#include <chrono>
#include <utility>

#include "win32/application.h"
#include "win32/system_library.h"

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace ambervale {
namespace {

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

HANDLE CreateWakeHandle(bool& raised_clock) {
  HANDLE handle = CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION, TIMER_ALL_ACCESS);
  raised_clock = false;
  if (handle) return handle;
  const TimePeriodCall begin = TimePeriodFunction("timeBeginPeriod");
  raised_clock = begin && begin(1) == TIMERR_NOERROR;
  return CreateWaitableTimerExW(nullptr, nullptr, 0, TIMER_ALL_ACCESS);
}

// In a modal loop the stand-in asks at the due time, no sooner than SetTimer's floor allows.
UINT StandInDelay(MonotonicTime until_due) {
  const auto milliseconds = std::chrono::ceil<std::chrono::milliseconds>(until_due).count();
  return milliseconds > USER_TIMER_MINIMUM ? static_cast<UINT>(milliseconds) : USER_TIMER_MINIMUM;
}

}  // namespace

MonotonicTime WakeTimer::Now() {
  static const int64_t frequency = CounterFrequency();
  const int64_t counts = CounterNow();
  return MonotonicTime(counts / frequency * 1'000'000 + counts % frequency * 1'000'000 / frequency);
}

WakeTimer::WakeTimer(std::function<void()> on_wake)
    : on_wake_(std::move(on_wake)), handle_(CreateWakeHandle(raised_clock_)) {}

WakeTimer::~WakeTimer() {
  Detach();
  if (handle_) CloseHandle(handle_);
}

void WakeTimer::Attach(HWND window) {
  window_ = window;
  if (handle_) Application::Instance().WatchHandle(handle_, [this] { WakeIfDue(); });
  Arm();
}

void WakeTimer::Detach() {
  WakeAt(std::nullopt);
  if (handle_) Application::Instance().UnwatchHandle(handle_);
  window_ = nullptr;
  // The run is over (its window went): the system clock goes back to its own pace.
  if (raised_clock_) {
    if (const TimePeriodCall end = TimePeriodFunction("timeEndPeriod")) end(1);
  }
  raised_clock_ = false;
}

void WakeTimer::WakeAt(std::optional<MonotonicTime> when) {
  due_ = when;
  Arm();
}

// Setting the waitable timer replaces its earlier due time (and clears a signal not yet
// waited for): it is cancelled only where no wake follows, one request to the Wine server fewer
// a wake.
void WakeTimer::Arm() {
  if (!window_ || !due_) {
    if (handle_) CancelWaitableTimer(handle_);
    if (window_) KillTimer(window_, kStandInTimerId);
    return;
  }
  const MonotonicTime until_due = std::max(*due_ - Now(), MonotonicTime{0});
  SetTimer(window_, kStandInTimerId, StandInDelay(until_due), nullptr);
  if (!handle_) return;
  LARGE_INTEGER due{};
  // In 100 ns units, negative: relative to now. Never before the due time.
  due.QuadPart = -std::max<int64_t>(until_due.count() * 10, 1);
  SetWaitableTimer(handle_, &due, 0, nullptr, nullptr, FALSE);
}

void WakeTimer::WakeIfDue() {
  // A wake that opens a modal loop (an error box) must not be entered again from it.
  if (!window_ || waking_ || !due_) return;
  if (Now() < *due_) return Arm();  // the stand-in came early, on SetTimer's coarse clock
  due_.reset();
  waking_ = true;
  on_wake_();  // asks for its next wake
  waking_ = false;
}

}  // namespace ambervale
