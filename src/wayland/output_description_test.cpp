#include "wayland/output_description.h"

#include <gtest/gtest.h>

namespace ambervale {
namespace {

bool Same(const ScreenArea& a, const ScreenArea& b) {
  return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

// Outputs left of and above the origin, with a gap between them, and at scale 2.
TEST(OutputDescription, TheDesktopSpansEveryOutputInLogicalPixels) {
  OutputDescription hidpi;
  hidpi.position = {1920, -200};
  hidpi.mode_width = 2560;
  hidpi.mode_height = 1440;
  hidpi.scale = 2;
  EXPECT_TRUE(Same(hidpi.Area(), {1920, -200, 1280, 720}));
  EXPECT_TRUE(Same(DesktopUnion({{0, 0, 1920, 1080}}), {0, 0, 1920, 1080}));
  EXPECT_TRUE(
      Same(DesktopUnion({{0, 0, 1920, 1080}, hidpi.Area(), {-1024, 300, 1024, 768}}), {-1024, -200, 4224, 1280}));
}

}  // namespace
}  // namespace ambervale
