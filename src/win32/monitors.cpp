#include "win32/monitors.h"

#include <windows.h>

#include "engine/monitor_set.h"

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
  // No window named: the desktop with every window on it, the rectangle in the desktop's
  // client coordinates. (Naming the desktop window instead reaches no window under Wine.)
  // Draws still waiting in this thread's batch would land after the repaint.
  GdiFlush();
  RECT r{area.left, area.top, area.right, area.bottom};
  MapWindowPoints(nullptr, GetDesktopWindow(), reinterpret_cast<POINT*>(&r), 2);
  RedrawWindow(nullptr, &r, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

}  // namespace ambervale
