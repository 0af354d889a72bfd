#include "linux/scale_picture.h"

#include <cstddef>

namespace ambervale {

std::vector<uint32_t> ScalePicture(const std::vector<uint32_t>& pixels, int32_t width, int32_t height,
                                   int32_t new_width, int32_t new_height) {
  if (new_width <= 0 || new_height <= 0) return {};
  const size_t count = static_cast<size_t>(new_width) * static_cast<size_t>(new_height);
  if (width <= 0 || height <= 0 || pixels.size() != static_cast<size_t>(width) * static_cast<size_t>(height))
    return std::vector<uint32_t>(count, kPlainBackground);
  std::vector<uint32_t> scaled(count);
  for (int32_t y = 0; y < new_height; ++y) {
    const int64_t sy = static_cast<int64_t>(y) * height / new_height;
    const uint32_t* source_row = pixels.data() + sy * width;
    uint32_t* row = scaled.data() + static_cast<size_t>(y) * new_width;
    for (int32_t x = 0; x < new_width; ++x) row[x] = source_row[static_cast<int64_t>(x) * width / new_width];
  }
  return scaled;
}

}  // namespace ambervale
