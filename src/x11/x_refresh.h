// What XRandR says about the monitors under a window: the refresh rate of the one it is on,
// and the part of the window each one shows.
#pragma once

#include <X11/Xlib.h>

#include <vector>

#include "surfaces/types.h"

namespace ambervale {

// The rate (Hz) of the CRTC that holds the window's centre, else of the first active CRTC;
// 0 when the server has no XRandR or no active CRTC (the caller's default applies).
double WindowRefreshRate(Display* display, Window window);

// The monitors' areas within the window, in its own coordinates, each cut to the window: one
// for each monitor that shows part of it. Empty when fewer than two do (or without XRandR):
// the whole window is then the one screen.
std::vector<Rect> WindowMonitors(Display* display, Window window);

}  // namespace ambervale
