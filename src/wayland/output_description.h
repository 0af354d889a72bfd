// What the compositor says of one wl_output, and where the outputs lie together.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "linux/wallpaper.h"
#include "surfaces/types.h"

struct wl_output;

namespace ambervale {

struct OutputDescription {
  uint32_t global_name = 0;
  wl_output* output = nullptr;
  int32_t scale = 1;
  Point position;                           // top-left in the compositor's space
  int32_t mode_width = 0, mode_height = 0;  // the current mode, in real pixels
  bool complete = false;                    // the first `done` arrived

  // Where the output lies in the compositor's space, in logical pixels.
  ScreenArea Area() const { return {position.x, position.y, mode_width / scale, mode_height / scale}; }
};

// The buffer that shows a surface of logical_width x logical_height on the output at its real
// pixels. With a viewport (wp_viewporter) the buffer is shown at the logical size whatever its
// own: the pixels from the compositor's preferred scale (wp_fractional_scale_v1, in 120ths)
// where it says one, else the output's mode (the surface covers the output); without one, the
// integer scale through wl_surface.set_buffer_scale.
struct BufferPlan {
  int32_t width = 0;
  int32_t height = 0;
  bool viewport = false;  // else buffer_scale applies
  int32_t buffer_scale = 1;
};
BufferPlan PlanBuffer(const OutputDescription& output, int32_t logical_width, int32_t logical_height,
                      bool has_viewporter, std::optional<uint32_t> preferred_scale_120);

// The smallest area holding every one of `areas` (the desktop a wallpaper spans); `areas` is
// not empty.
ScreenArea DesktopUnion(const std::vector<ScreenArea>& areas);

}  // namespace ambervale
