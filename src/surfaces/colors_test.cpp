#include "surfaces/colors.h"

#include <gtest/gtest.h>

namespace ambervale {
namespace {

TEST(ColorsTest, PackArgbPlacesAlphaRedGreenBlueFromTheTop) {
  EXPECT_EQ(PackArgb(255, 1, 2, 3), 0xFF010203u);
  EXPECT_EQ(PackArgb(0, 0, 0, 0), 0u);
  // Each component keeps its low 8 bits only: 260 is 4, -1 is 255.
  EXPECT_EQ(PackArgb(260, 256 + 0x12, -1, 0x1FF), 0x0412FFFFu);
  constexpr Argb c = PackArgb(0x80, 0x40, 0x20, 0x10);
  EXPECT_EQ(AlphaOf(c), 0x80);
  EXPECT_EQ(RedOf(c), 0x40);
  EXPECT_EQ(GreenOf(c), 0x20);
  EXPECT_EQ(BlueOf(c), 0x10);
}

TEST(ColorsTest, PackRgbPutsBlueLowestAndLeavesTheTopByteZero) {
  EXPECT_EQ(PackRgb(1, 2, 3), 0x00010203u);
  EXPECT_EQ(PackRgb(0, 0, 0), 0u);
  EXPECT_EQ(PackRgb(0x1FF, -1, 256), 0x00FFFF00u);
}

}  // namespace
}  // namespace ambervale
