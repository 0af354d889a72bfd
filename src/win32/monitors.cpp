#include "win32/monitors.h"

#include <windows.h>

#include "engine/monitor_set.h"
#include "win32/screen_dc.h"

namespace ambervale {
namespace {

BOOL CALLBACK AddMonitor(HMONITOR, HDC, LPRECT area, LPARAM list) {
  reinterpret_cast<std::vector<Rect>*>(list)->push_back(Rect{area->left, area->top, area->right, area->bottom});
  return TRUE;
}

}  // namespace

std::vector<Rect> DisplayMonitors() {
  std::vector<Rect> monitors;
  EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
  return PrimaryFirst(std::move(monitors));
}

void RepaintDesktopArea(const Rect& area) {
  // The repaint must come after the last leaf has reached the screen. A read from the screen
  // returns only once every draw before it has: it ends this thread's GDI batch, and under
  // Wine it is a round trip to the X server, whose other clients repaint the windows.
  {
    ScreenDC screen;
    GetPixel(screen.Handle(), area.left, area.top);
  }
  // No window named: the desktop with every window on it, the rectangle in the desktop's
  // client coordinates. (Naming the desktop window instead reaches no window under Wine.)
  RECT r{area.left, area.top, area.right, area.bottom};
  MapWindowPoints(nullptr, GetDesktopWindow(), reinterpret_cast<POINT*>(&r), 2);
  RedrawWindow(nullptr, &r, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

}  // namespace ambervale
