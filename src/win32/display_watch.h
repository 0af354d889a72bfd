// Notices a change of the display during a run. Windows sends WM_DISPLAYCHANGE; Wine does not
// after a change made outside it (xrandr), so the monitors are also looked at twice a second.
#pragma once

#include <windows.h>

#include <vector>

#include "surfaces/types.h"

namespace ambervale {

class DisplayWatch {
 public:
  // The WM_TIMER id of the look, on the watched window.
  static constexpr UINT_PTR kTimerId = 2;

  // Remembers the monitors as they are now and starts looking.
  void Start(HWND window);
  // True once when the monitors differ from those remembered, which it then remembers.
  bool Changed();
  // After the run followed a change it noticed otherwise (WM_DISPLAYCHANGE).
  void Remember() { seen_ = Monitors(); }

 private:
  static std::vector<Rect> Monitors();
  std::vector<Rect> seen_;
};

}  // namespace ambervale
