#include "wayland/output_description.h"

#include <algorithm>

namespace ambervale {

ScreenArea DesktopUnion(const std::vector<ScreenArea>& areas) {
  ScreenArea desktop = areas.front();
  for (const ScreenArea& area : areas) {
    const int32_t right = std::max(desktop.x + desktop.width, area.x + area.width);
    const int32_t bottom = std::max(desktop.y + desktop.height, area.y + area.height);
    desktop.x = std::min(desktop.x, area.x), desktop.y = std::min(desktop.y, area.y);
    desktop.width = right - desktop.x, desktop.height = bottom - desktop.y;
  }
  return desktop;
}

}  // namespace ambervale
