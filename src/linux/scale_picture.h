// The screen-sized pictures the Linux programs draw over: the plain background and fitting a
// picture to a new size (a resized window, an output's new mode).
#pragma once

#include <cstdint>
#include <vector>

namespace ambervale {

// A calm, dark slate: what the leaves fall on when no picture of the screen may be shown.
inline constexpr uint32_t kPlainBackground = 0x1E2830;

// A picture of (part of) the desktop: a screen's picture, or a wallpaper placed on one.
struct DesktopPicture {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;  // 0x00RRGGBB, top row first; empty when there is none
};

// Nearest-pixel rescale of a width x height picture (0x00RRGGBB, top row first). A picture
// whose size does not match its pixels, or an empty one, gives the plain background.
std::vector<uint32_t> ScalePicture(const std::vector<uint32_t>& pixels, int32_t width, int32_t height,
                                   int32_t new_width, int32_t new_height);

}  // namespace ambervale
