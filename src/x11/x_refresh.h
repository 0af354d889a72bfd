// The refresh rate of the monitor a window is on, from XRandR.
#pragma once

#include <X11/Xlib.h>

namespace ambervale {

// The rate (Hz) of the CRTC that holds the window's centre, else of the first active CRTC;
// 0 when the server has no XRandR or no active CRTC (the caller's default applies).
double WindowRefreshRate(Display* display, Window window);

}  // namespace ambervale
