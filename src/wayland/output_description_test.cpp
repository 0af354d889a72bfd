#include "wayland/output_description.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

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

// 2880 x 1620 at 1.5: a logical 1920 x 1080 surface. Real pixels wherever a viewport shows
// them; the integer scale (the compositor rounds 1.5 up to 2) only without one.
TEST(OutputDescription, TheBufferHasTheOutputsRealPixels) {
  OutputDescription output;
  output.mode_width = 2880;
  output.mode_height = 1620;
  output.scale = 2;
  const auto plan = [&](bool viewporter, std::optional<uint32_t> preferred) {
    const BufferPlan p = PlanBuffer(output, 1920, 1080, viewporter, preferred);
    return std::vector<int32_t>{p.width, p.height, p.viewport, p.buffer_scale};
  };
  EXPECT_EQ(plan(true, 180), (std::vector<int32_t>{2880, 1620, true, 1}));
  EXPECT_EQ(plan(true, std::nullopt), (std::vector<int32_t>{2880, 1620, true, 1}));
  EXPECT_EQ(plan(false, 180), (std::vector<int32_t>{3840, 2160, false, 2}));
  // 1.25 of 853 x 481 is 1066.25 x 601.25; the protocol rounds half away from zero.
  const BufferPlan odd = PlanBuffer(output, 853, 481, true, 150);
  EXPECT_EQ(odd.width, 1066);
  EXPECT_EQ(odd.height, 601);
  EXPECT_EQ(PlanBuffer(output, 1, 1, true, 60).width, 1);  // 0.5 rounds to 1
}

}  // namespace
}  // namespace ambervale
