#include "win32/display_watch.h"

#include "win32/monitors.h"

namespace ambervale {

constexpr UINT kLookInterval = 500;  // ms

void DisplayWatch::Start(HWND window) {
  Remember();
  SetTimer(window, kTimerId, kLookInterval, nullptr);
}

bool DisplayWatch::Changed() {
  std::vector<Rect> now = Monitors();
  if (now == seen_) return false;
  seen_ = std::move(now);
  return true;
}

std::vector<Rect> DisplayWatch::Monitors() {
  // The primary's size as well: it can change while the monitor rectangles read the same
  // for a moment.
  std::vector<Rect> monitors = DisplayMonitors();
  monitors.push_back(Rect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
  return monitors;
}

}  // namespace ambervale
