// DPI queries that older Windows lacks, found at run time: a monitor's DPI (Windows 8.1 and
// later; before that every monitor has the system's DPI) and the window size for a client
// area at a given DPI (Windows 10 1607 and later scale the frame too).
#pragma once

#include <windows.h>

namespace ambervale {

UINT MonitorDpi(HMONITOR monitor);
// The outer size of a window whose client area is `width` x `height` at `dpi`.
SIZE WindowSizeForClient(int width, int height, DWORD style, DWORD ex_style, UINT dpi);

}  // namespace ambervale
