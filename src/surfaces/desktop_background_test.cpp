#include "surfaces/desktop_background.h"

#include <gtest/gtest.h>

#include <vector>

namespace ambervale {
namespace {

TEST(DesktopBackgroundTest, OneColourIgnoresTheUnusedByteAndNeedsEveryPixel) {
  EXPECT_TRUE(IsOneColour({}));
  std::vector<uint32_t> black(1000, 0);
  EXPECT_TRUE(IsOneColour(black));
  black[0] = 0xFF000000;  // what a capture may leave in the unused byte
  EXPECT_TRUE(IsOneColour(black));
  black[999] = 0x000001;  // one pixel of the last row
  EXPECT_FALSE(IsOneColour(black));
}

TEST(DesktopBackgroundTest, FillCoversTheAreaCentredAndKeepsTheAspect) {
  // The same aspect: exactly the area, also off the origin (a monitor left of the primary).
  EXPECT_EQ(FillRect(256, 192, Rect{-1024, 0, 0, 768}), (Rect{-1024, 0, 0, 768}));
  // A wide picture on a 4:3 monitor: the height fits, the sides overflow evenly.
  EXPECT_EQ(FillRect(1920, 1080, Rect{0, 0, 1024, 768}), (Rect{-170, 0, 1195, 768}));
  // A tall picture: the width fits, top and bottom overflow.
  EXPECT_EQ(FillRect(100, 400, Rect{0, 0, 3840, 2160}), (Rect{0, -6600, 3840, 8760}));
  // A picture smaller than the area is scaled up.
  EXPECT_EQ(FillRect(2, 1, Rect{10, 20, 110, 40}), (Rect{10, 5, 110, 55}));
}

TEST(DesktopBackgroundTest, FillOfNothingOrASliverStaysSane) {
  const Rect area{0, 0, 800, 600};
  EXPECT_EQ(FillRect(0, 10, area), area);
  EXPECT_EQ(FillRect(10, -1, area), area);
  const Rect sliver = FillRect(1, 60000, Rect{0, 0, 60000, 100});
  EXPECT_LE(sliver.top, 0);
  EXPECT_GE(sliver.bottom, 100);
  EXPECT_EQ(sliver.left, 0);
  EXPECT_EQ(sliver.right, 60000);
}

}  // namespace
}  // namespace ambervale
