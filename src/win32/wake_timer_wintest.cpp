#include "win32/wake_timer.h"

#include <gtest/gtest.h>

#include <vector>

#include "win32/window.h"

namespace ambervale {
namespace {

using std::chrono::milliseconds;

constexpr char kWakeTimerClass[] = "AmbervaleWakeTimerTest";
constexpr MonotonicTime kStep = milliseconds(20);

// A window woken through the modal-loop stand-in (the message loop here never waits on the
// timer's handle), that asks for the next wake from within a wake until it has `wanted`.
class WokenWindow final : public Window {
 public:
  explicit WokenWindow(size_t wanted) : wanted_(wanted) {
    WNDCLASSEXA window_class{};
    window_class.lpszClassName = kWakeTimerClass;
    RegisterWindowClass(window_class);
    CreateHandle(0, kWakeTimerClass, "", WS_POPUP, 0, 0, 10, 10, nullptr);
    timer.Attach(Handle());
  }
  ~WokenWindow() override { timer.Detach(); }

  WakeTimer timer{[this] {
    wakes.push_back(WakeTimer::Now());
    if (wakes.size() < wanted_) timer.WakeAt(wakes.back() + kStep);
  }};
  std::vector<MonotonicTime> wakes;

 private:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override {
    if (message == WM_TIMER && wparam == WakeTimer::kStandInTimerId) timer.OnStandInTimer();
    return DefaultHandling(message, wparam, lparam);
  }
  size_t wanted_;
};

// Pumps this thread's messages until `count` wakes came or a generous bound passed.
void PumpUntil(const WokenWindow& window, size_t count, DWORD bound_ms = 5000) {
  const ULONGLONG end = GetTickCount64() + bound_ms;
  while (window.wakes.size() < count && GetTickCount64() < end) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }
}

TEST(WakeTimerTest, WakesOnceAtEachAskedTimeNeverBefore) {
  WokenWindow window(3);
  const MonotonicTime first_due = WakeTimer::Now() + kStep;
  window.timer.WakeAt(first_due);
  PumpUntil(window, 3);
  ASSERT_EQ(window.wakes.size(), 3u);
  EXPECT_GE(window.wakes[0], first_due);
  EXPECT_GE(window.wakes[1], window.wakes[0] + kStep);
  EXPECT_GE(window.wakes[2], window.wakes[1] + kStep);
  // Nothing more was asked for: a further pump brings no wake.
  PumpUntil(window, 4, 200);
  EXPECT_EQ(window.wakes.size(), 3u);
}

TEST(WakeTimerTest, NoWakeOnceToldNoneAndAPassedTimeWakesAtOnce) {
  WokenWindow window(1);
  window.timer.WakeAt(WakeTimer::Now() + kStep);
  window.timer.WakeAt(std::nullopt);
  PumpUntil(window, 1, 200);
  EXPECT_TRUE(window.wakes.empty());
  window.timer.WakeAt(WakeTimer::Now() - kStep);
  PumpUntil(window, 1);
  EXPECT_EQ(window.wakes.size(), 1u);
}

}  // namespace
}  // namespace ambervale
