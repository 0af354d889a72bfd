#include "wayland/output_description.h"

#include <algorithm>

namespace ambervale {

BufferPlan PlanBuffer(const OutputDescription& output, int32_t logical_width, int32_t logical_height,
                      bool has_viewporter, std::optional<uint32_t> preferred_scale_120) {
  if (has_viewporter && preferred_scale_120) {
    // The protocol's rounding: half away from zero.
    const auto real = [&](int32_t logical) {
      return std::max<int32_t>(1, static_cast<int32_t>((int64_t{logical} * *preferred_scale_120 + 60) / 120));
    };
    return {real(logical_width), real(logical_height), true, 1};
  }
  if (has_viewporter && output.mode_width > 0 && output.mode_height > 0)
    return {output.mode_width, output.mode_height, true, 1};
  return {logical_width * output.scale, logical_height * output.scale, false, output.scale};
}

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
