#include "surfaces/desktop_background.h"

#include <algorithm>

namespace ambervale {

bool IsOneColour(std::span<const uint32_t> pixels) {
  if (pixels.empty()) return true;
  const uint32_t first = pixels.front() & 0xFFFFFF;
  return std::all_of(pixels.begin(), pixels.end(), [first](uint32_t p) { return (p & 0xFFFFFF) == first; });
}

namespace {

// n x numerator / denominator, rounded to nearest, in 64 bits.
int64_t Scale(int64_t n, int64_t numerator, int64_t denominator) {
  return (n * numerator + denominator / 2) / denominator;
}

}  // namespace

Rect FillRect(int32_t picture_width, int32_t picture_height, const Rect& area) {
  const int64_t area_width = area.Width();
  const int64_t area_height = area.Height();
  if (picture_width <= 0 || picture_height <= 0 || area_width <= 0 || area_height <= 0) return area;
  int64_t width = area_width;
  int64_t height = area_height;
  // The side that needs the larger factor decides it; the other side then overflows.
  if (area_width * picture_height >= area_height * picture_width)
    height = std::max(area_height, Scale(picture_height, area_width, picture_width));
  else
    width = std::max(area_width, Scale(picture_width, area_height, picture_height));
  // A sliver of a picture (1 x 60000) would overflow 32 bits: its overflowing side is capped,
  // which only changes what lies far outside the area.
  width = std::min<int64_t>(width, INT32_MAX / 4);
  height = std::min<int64_t>(height, INT32_MAX / 4);
  const int64_t left = area.left - (width - area_width) / 2;
  const int64_t top = area.top - (height - area_height) / 2;
  return Rect{static_cast<int32_t>(left), static_cast<int32_t>(top), static_cast<int32_t>(left + width),
              static_cast<int32_t>(top + height)};
}

}  // namespace ambervale
