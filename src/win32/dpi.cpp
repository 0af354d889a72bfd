#include "win32/dpi.h"

#include "win32/system_library.h"

namespace ambervale {
namespace {

using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
using AdjustWindowRectExForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI

// shcore.dll is not there before Windows 8.1, where a file of that name beside the program
// would otherwise be found; it stays loaded, since the process keeps using it.
template <typename Function>
Function Find(const char* module, const char* name) {
  HMODULE handle = GetModuleHandleA(module);
  if (!handle) handle = LoadSystemLibrary(module);
  return ExportedFunction<Function>(handle, name);
}

UINT SystemDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 0;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

}  // namespace

UINT MonitorDpi(HMONITOR monitor) {
  static const auto get_dpi_for_monitor = Find<GetDpiForMonitorFunction>("shcore.dll", "GetDpiForMonitor");
  UINT dpi_x = 0, dpi_y = 0;
  if (monitor && get_dpi_for_monitor && SUCCEEDED(get_dpi_for_monitor(monitor, kEffectiveDpi, &dpi_x, &dpi_y)) &&
      dpi_x > 0) {
    return dpi_x;
  }
  return SystemDpi();
}

SIZE WindowSizeForClient(int width, int height, DWORD style, DWORD ex_style, UINT dpi) {
  static const auto adjust_for_dpi = Find<AdjustWindowRectExForDpiFunction>("user32.dll", "AdjustWindowRectExForDpi");
  RECT bounds{0, 0, width, height};
  if (!adjust_for_dpi || !adjust_for_dpi(&bounds, style, FALSE, ex_style, dpi)) {
    AdjustWindowRectEx(&bounds, style, FALSE, ex_style);
  }
  return SIZE{bounds.right - bounds.left, bounds.bottom - bounds.top};
}

}  // namespace ambervale
