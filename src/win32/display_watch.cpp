#include "win32/display_watch.h"

namespace ambervale {

constexpr UINT kLookInterval = 500;  // ms

void DisplayWatch::Start(HWND window) {
  Remember();
  SetTimer(window, kTimerId, kLookInterval, nullptr);
}

bool DisplayWatch::Changed() {
  std::vector<int> now = Metrics();
  // A look that finds no monitor, or a primary without size, caught the system mid-change:
  // the next one will see where it ends.
  if (now == seen_ || now[0] <= 0 || now[1] <= 0 || now[2] <= 0) return false;
  seen_ = std::move(now);
  return true;
}

std::vector<int> DisplayWatch::Metrics() {
  // System metrics only: under Wine, enumerating the monitors asks the display server, which
  // twice a second would stall the window thread (and the settings dialog on it).
  std::vector<int> metrics;
  for (int metric : {SM_CXSCREEN, SM_CYSCREEN, SM_CMONITORS, SM_XVIRTUALSCREEN, SM_YVIRTUALSCREEN, SM_CXVIRTUALSCREEN,
                     SM_CYVIRTUALSCREEN})
    metrics.push_back(GetSystemMetrics(metric));
  return metrics;
}

}  // namespace ambervale
