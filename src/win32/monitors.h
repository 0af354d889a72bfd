// The monitors of the desktop, as the saver lays leaves on them.
#pragma once

#include <vector>

#include "surfaces/types.h"

namespace ambervale {

// Every display monitor's rectangle in virtual-screen coordinates (EnumDisplayMonitors), the
// primary first; empty when the system names none.
std::vector<Rect> DisplayMonitors();

// The highest refresh rate, in hertz, among the monitors that `area` (virtual-screen
// coordinates) covers and the desktop compositor's own, where the system tells one; 0 when none
// is known.
double HighestRefreshRate(const Rect& area);

// Has the system repaint one part of the desktop (virtual-screen coordinates), every window
// in it included, so that whatever was painted over that part since is gone.
void RepaintDesktopArea(const Rect& area);

}  // namespace ambervale
