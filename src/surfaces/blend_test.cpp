#include "surfaces/blend.h"

#include <algorithm>
#include <vector>

#include "surfaces/blend_row.h"

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

// Every row path of this build and processor gives BlendPixel's bytes for every colour channel,
// pixel channel and alpha, the top byte included, over rows of every length up to 40 (the
// vector loops and the pixels they leave over).
TEST(Blend, EveryRowPathIsThePixelRule) {
  for (const BlendRowPath& path : BlendRowPaths()) {
    int alphas_differing = 0;
    std::vector<Argb> colours(1 << 16);
    std::vector<uint32_t> row(1 << 16), expected(1 << 16);
    for (uint32_t alpha = 0; alpha < 256; ++alpha) {
      for (uint32_t i = 0; i < colours.size(); ++i) {
        const uint32_t source = i >> 8, target = i & 0xFF;
        colours[i] = alpha << 24 | source << 16 | (255 - source) << 8 | (source ^ 0x5A);
        row[i] = (i * 7 & 0xFF) << 24 | target << 16 | (target ^ 0xA5) << 8 | (255 - target);
        expected[i] = BlendPixel(colours[i], row[i]);
      }
      for (size_t start = 0, length = 1; start < row.size(); start += length, length = length % 40 + 1) {
        const size_t count = std::min(length, row.size() - start);
        path.blend(colours.data() + start, row.data() + start, count);
      }
      alphas_differing += static_cast<int>(row != expected);
    }
    EXPECT_EQ(alphas_differing, 0) << path.name;
  }
}

}  // namespace
}  // namespace ambervale
