// The monitors of the desktop, as the saver lays leaves on them.
#pragma once

#include <vector>

#include "surfaces/types.h"

namespace ambervale {

// Every display monitor's rectangle in virtual-screen coordinates (EnumDisplayMonitors), the
// primary first; empty when the system names none.
std::vector<Rect> DisplayMonitors();

// Has the system repaint one part of the desktop (virtual-screen coordinates), every window
// in it included, so that whatever was painted over that part since is gone.
void RepaintDesktopArea(const Rect& area);

}  // namespace ambervale
