#include "win32/settings/dialog_scale.h"

#include <gtest/gtest.h>

namespace ambervale {
namespace {

TEST(DialogScale, RoundsAsMulDivDoes) {
  // 96 DPI leaves the design alone.
  EXPECT_EQ(ScaleToDpi(396, 96), 396);
  EXPECT_EQ(ScaleToDpi(-13, 96), -13);
  // 150 %: the client area 396 x 201 becomes 594 x 302 (301.5 rounds up).
  EXPECT_EQ(ScaleToDpi(396, 144), 594);
  EXPECT_EQ(ScaleToDpi(201, 144), 302);
  // Halves round away from zero, also for the negative font height.
  EXPECT_EQ(ScaleToDpi(-13, 144), -20);
  // 125 %: quarters round to the nearest.
  EXPECT_EQ(ScaleToDpi(25, 120), 31);
  EXPECT_EQ(ScaleToDpi(15, 120), 19);
}

}  // namespace
}  // namespace ambervale
