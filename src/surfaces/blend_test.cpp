#include "surfaces/blend.h"

#include <gtest/gtest.h>

namespace ambervale {
namespace {

// The whole-pixel blend is the per-channel rule to the byte, for every colour, pixel and alpha.
TEST(Blend, APixelAtOnceIsEveryChannelByTheRule) {
  int differences = 0;
  for (uint32_t alpha = 0; alpha < 256; ++alpha) {
    for (uint32_t source = 0; source < 256; ++source) {
      for (uint32_t target = 0; target < 256; ++target) {
        const Argb colour = alpha << 24 | source << 16 | (255 - source) << 8 | (source ^ 0x5A);
        const uint32_t pixel = target << 16 | (target ^ 0xA5) << 8 | (255 - target);
        const uint32_t expected = uint32_t{BlendChannel(source, target, alpha)} << 16 |
                                  uint32_t{BlendChannel(255 - source, target ^ 0xA5, alpha)} << 8 |
                                  BlendChannel(source ^ 0x5A, 255 - target, alpha);
        differences += BlendPixel(colour, pixel) != expected;
      }
    }
  }
  EXPECT_EQ(differences, 0);
  // A transparent colour leaves the pixel as it was, its top byte too; any other clears it.
  EXPECT_EQ(BlendPixel(0x00FFFFFF, 0xFF123456), 0xFF123456u);
  EXPECT_EQ(BlendPixel(0x01000000, 0xFF123456), 0x00123456u);
}

}  // namespace
}  // namespace ambervale
