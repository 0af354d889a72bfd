#include "win32/monitors.h"

#include <windows.h>
#include <dwmapi.h>

#include <algorithm>

#include "run/monitor_set.h"
#include "win32/screen_dc.h"
#include "win32/system_library.h"

namespace ambervale {
namespace {

BOOL CALLBACK AddMonitor(HMONITOR, HDC, LPRECT area, LPARAM list) {
  reinterpret_cast<std::vector<Rect>*>(list)->push_back(Rect{area->left, area->top, area->right, area->bottom});
  return TRUE;
}

struct RefreshSearch {
  Rect area;
  double highest = 0;
};

// A monitor's current mode, where it overlaps the area searched. A rate of 0 or 1 is the
// hardware's default, not a known rate.
BOOL CALLBACK NoteMonitorRefresh(HMONITOR monitor, HDC, LPRECT bounds, LPARAM search_param) {
  auto* search = reinterpret_cast<RefreshSearch*>(search_param);
  const Rect r{bounds->left, bounds->top, bounds->right, bounds->bottom};
  if (Intersection(r, search->area).Width() <= 0) return TRUE;
  MONITORINFOEXA info{};
  info.cbSize = sizeof info;
  DEVMODEA mode{};
  mode.dmSize = sizeof mode;
  if (GetMonitorInfoA(monitor, &info) && EnumDisplaySettingsA(info.szDevice, ENUM_CURRENT_SETTINGS, &mode) &&
      mode.dmDisplayFrequency > 1)
    search->highest = std::max(search->highest, static_cast<double>(mode.dmDisplayFrequency));
  return TRUE;
}

// The compositor's refresh rate, where there is a compositor that tells it (dwmapi exists from
// Vista on; loaded only for this question).
double CompositorRefreshRate() {
  HMODULE dwm = LoadSystemLibrary("dwmapi.dll");
  if (!dwm) return 0;
  using TimingInfo = HRESULT(WINAPI*)(HWND, DWM_TIMING_INFO*);
  const auto query = ExportedFunction<TimingInfo>(dwm, "DwmGetCompositionTimingInfo");
  DWM_TIMING_INFO timing{};
  timing.cbSize = sizeof timing;
  double rate = 0;
  if (query && SUCCEEDED(query(nullptr, &timing)) && timing.rateRefresh.uiDenominator > 0)
    rate = static_cast<double>(timing.rateRefresh.uiNumerator) / timing.rateRefresh.uiDenominator;
  FreeLibrary(dwm);
  return rate;
}

}  // namespace

double HighestRefreshRate(const Rect& area) {
  RefreshSearch search{area};
  EnumDisplayMonitors(nullptr, nullptr, NoteMonitorRefresh, reinterpret_cast<LPARAM>(&search));
  return std::max(search.highest, CompositorRefreshRate());
}

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
