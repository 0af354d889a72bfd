// Notices a change of the display during a run. Windows sends WM_DISPLAYCHANGE; Wine does not
// after a change made outside it (xrandr), so the screen's metrics are also looked at twice a
// second.
#pragma once

#include <windows.h>

#include <vector>

namespace ambervale {

class DisplayWatch {
 public:
  // The WM_TIMER id of the look, on the watched window.
  static constexpr UINT_PTR kTimerId = 2;

  // Remembers the monitors as they are now and starts looking.
  void Start(HWND window);
  // True once when the monitors' metrics differ from those remembered, which it then remembers.
  bool Changed();
  // After the run followed a change it noticed otherwise (WM_DISPLAYCHANGE).
  void Remember() { seen_ = Metrics(); }

 private:
  // The primary's size, the number of monitors and the virtual screen's rectangle.
  static std::vector<int> Metrics();
  std::vector<int> seen_;
};

}  // namespace ambervale
