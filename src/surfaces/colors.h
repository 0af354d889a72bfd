// The three colour formats that pass between the engine and the surfaces.
#pragma once

#include <cstdint>

namespace ambervale {

using Argb = uint32_t;  // 0xAARRGGBB, not premultiplied; alpha 0 transparent, 255 opaque
using Rgb = uint32_t;   // 0x00RRGGBB, no alpha
// Row bytes: blue, green, red per pixel, no alpha.

// Each component contributes its low 8 bits.
constexpr Argb PackArgb(int32_t a, int32_t r, int32_t g, int32_t b) {
  return (static_cast<uint32_t>(a & 0xFF) << 24) | (static_cast<uint32_t>(r & 0xFF) << 16) |
         (static_cast<uint32_t>(g & 0xFF) << 8) | static_cast<uint32_t>(b & 0xFF);
}

constexpr Rgb PackRgb(int32_t r, int32_t g, int32_t b) {
  return (static_cast<uint32_t>(r & 0xFF) << 16) | (static_cast<uint32_t>(g & 0xFF) << 8) |
         static_cast<uint32_t>(b & 0xFF);
}

constexpr uint8_t AlphaOf(Argb c) { return static_cast<uint8_t>(c >> 24); }
constexpr uint8_t RedOf(Argb c) { return static_cast<uint8_t>(c >> 16); }
constexpr uint8_t GreenOf(Argb c) { return static_cast<uint8_t>(c >> 8); }
constexpr uint8_t BlueOf(Argb c) { return static_cast<uint8_t>(c); }

}  // namespace ambervale
