// What the compositor says of one wl_output, and where the outputs lie together.
#pragma once

#include <cstdint>
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

// The smallest area holding every one of `areas` (the desktop a wallpaper spans); `areas` is
// not empty.
ScreenArea DesktopUnion(const std::vector<ScreenArea>& areas);

}  // namespace ambervale
