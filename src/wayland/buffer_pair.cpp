#include "wayland/buffer_pair.h"

#include <cstring>

namespace ambervale {

DisplayPixels::DisplayPixels(uint32_t* pixels, int32_t width, int32_t height)
    : pixels_(pixels), width_(width), height_(height) {
  stale_.Add({0, 0, width, height});
}

void DisplayPixels::Refresh(const uint32_t* source) {
  stale_.ClipTo({0, 0, width_, height_});
  for (const Rect& r : stale_.Parts()) {
    for (int32_t y = r.top; y < r.bottom; ++y) {
      const size_t offset = static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(r.left);
      std::memcpy(pixels_ + offset, source + offset, sizeof(uint32_t) * static_cast<size_t>(r.Width()));
    }
  }
  stale_.Clear();
}

}  // namespace ambervale
