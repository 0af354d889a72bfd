// Synthetic pictures for tests and benchmarks: a deterministic pattern, encoded as JPEG.
#pragma once

#include <cstdint>
#include <vector>

#include "testing/jpeg_encoder.h"

namespace ambervale::testing_pictures {

// Red, green, blue per pixel, top row first: smooth gradients crossed by a hard-edged
// checkerboard, so a stretch that averaged neighbours would make colours the picture lacks.
inline std::vector<uint8_t> PatternRgb(int32_t width, int32_t height) {
  std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
      const bool dark = ((x / 8) + (y / 8)) % 2 == 0;
      p[0] = static_cast<uint8_t>(dark ? 20 + x : 235 - x);
      p[1] = static_cast<uint8_t>(dark ? 30 + y : 225 - y);
      p[2] = static_cast<uint8_t>(dark ? 40 : 200);
    }
  }
  return rgb;
}

inline std::vector<uint8_t> PatternJpeg(int32_t width, int32_t height) {
  return EncodeJpeg(width, height, PatternRgb(width, height), 95);
}

inline std::vector<uint8_t> SolidJpeg(int32_t width, int32_t height, uint8_t r, uint8_t g, uint8_t b) {
  std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
  for (size_t i = 0; i < rgb.size(); i += 3) {
    rgb[i] = r;
    rgb[i + 1] = g;
    rgb[i + 2] = b;
  }
  return EncodeJpeg(width, height, rgb, 95);
}

}  // namespace ambervale::testing_pictures
