#include "surfaces/memory_surfaces.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "testing/test_surfaces.h"

namespace ambervale {
namespace {

// Share of the way from background to sprite colour after `draws` blends at `alpha`.
double Coverage(int alpha, int draws) { return 1.0 - std::pow(1.0 - alpha / 255.0, draws); }

TEST(MemoryBitmapTest, WritesInsideAndReportsWritesOutside) {
  MemoryBitmap bitmap(4, 3);
  EXPECT_EQ(bitmap.Width(), 4);
  EXPECT_EQ(bitmap.Height(), 3);
  bitmap.PutArgb(3, 2, 0x80112233);
  EXPECT_EQ(bitmap.Pixel(3, 2), 0x80112233u);
  EXPECT_EQ(bitmap.LastStatus(), DrawStatus::kOk);
  bitmap.PutArgb(4, 0, 0xFFFFFFFF);
  bitmap.PutArgb(0, -1, 0xFFFFFFFF);
  EXPECT_EQ(bitmap.LastStatus(), DrawStatus::kInvalidParameter);
  for (Argb p : bitmap.Pixels()) EXPECT_TRUE(p == 0 || p == 0x80112233u);
}

TEST(MemoryBitmapTest, BadSizesGiveAnEmptyBitmapAndAStatus) {
  MemoryBitmap negative(-1, 5);
  EXPECT_EQ(negative.Width(), 0);
  EXPECT_EQ(negative.LastStatus(), DrawStatus::kInvalidParameter);
  negative.PutArgb(0, 0, 1);  // no pixel to write, nothing raised
  MemoryBitmap huge(1 << 20, 1 << 20);
  EXPECT_EQ(huge.Height(), 0);
  EXPECT_EQ(huge.LastStatus(), DrawStatus::kOutOfMemory);
}

TEST(MemoryBitmapTest, BulkRowsEqualPixelByPixelWrites) {
  std::vector<Argb> pixels(7 * 5);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<Argb>(i * 0x01030507u);
  MemoryBitmap bulk(7, 5);
  bulk.PutArgbRows(pixels.data());
  MemoryBitmap single(7, 5);
  single.ArgbBitmap::PutArgbRows(pixels.data());
  EXPECT_EQ(bulk.Pixels(), single.Pixels());
  EXPECT_EQ(bulk.Pixel(2, 1), pixels[7 + 2]);
}

class MemoryCanvasTest : public ::testing::Test {
 protected:
  MemoryCanvasTest() : canvas(40, 30) { canvas.Fill(kBackground); }
  static constexpr uint32_t kBackground = 0x00204060;
  MemoryCanvas canvas;
};

TEST_F(MemoryCanvasTest, AlphaZeroLeavesTheCanvasAndAlpha255CoversIt) {
  const MemoryBitmap clear = Solid(10, 10, PackArgb(0, 255, 255, 255));
  canvas.DrawScaled(&clear, 0, 0, 40, 30);
  for (int32_t y = 0; y < 30; ++y)
    for (int32_t x = 0; x < 40; ++x) ASSERT_EQ(canvas.Pixel(x, y), kBackground);
  const MemoryBitmap opaque = Solid(10, 10, PackArgb(255, 1, 2, 3));
  canvas.DrawScaled(&opaque, 5, 6, 20, 10);
  EXPECT_EQ(canvas.Pixel(5, 6), 0x00010203u);
  EXPECT_EQ(canvas.Pixel(24, 15), 0x00010203u);
  EXPECT_EQ(canvas.Pixel(25, 15), kBackground);
  EXPECT_EQ(canvas.Pixel(24, 16), kBackground);
  EXPECT_EQ(canvas.Pixel(4, 6), kBackground);
}

TEST_F(MemoryCanvasTest, FiveDrawsAtConstantAlphaFollowTheFadeCurve) {
  for (int alpha : {10, 80, 100, 200}) {
    canvas.Fill(0);
    const MemoryBitmap sprite = Solid(100, 100, PackArgb(alpha, 250, 0, 0));
    for (int draw = 1; draw <= 5; ++draw) {
      canvas.DrawScaled(&sprite, 10, 10, 20, 20);
      const double expected = 250 * Coverage(alpha, draw);
      EXPECT_NEAR(static_cast<double>(canvas.Pixel(15, 15) >> 16), expected, 2.0)
          << "alpha " << alpha << " draw " << draw;
      EXPECT_EQ(canvas.Pixel(15, 15) & 0xFFFF, 0u);
    }
  }
}

TEST_F(MemoryCanvasTest, ScalingPicksWholeSourcePixels) {
  MemoryBitmap checker(2, 2);
  checker.PutArgb(0, 0, 0xFF0000FF);
  checker.PutArgb(1, 0, 0xFF00FF00);
  checker.PutArgb(0, 1, 0xFFFF0000);
  checker.PutArgb(1, 1, 0xFFFFFFFF);
  canvas.DrawScaled(&checker, 0, 0, 4, 4);
  EXPECT_EQ(canvas.Pixel(1, 1), 0x000000FFu);
  EXPECT_EQ(canvas.Pixel(2, 1), 0x0000FF00u);
  EXPECT_EQ(canvas.Pixel(1, 2), 0x00FF0000u);
  EXPECT_EQ(canvas.Pixel(3, 3), 0x00FFFFFFu);
  MemoryBitmap stripes(10, 1);
  for (int32_t x = 0; x < 10; ++x) stripes.PutArgb(x, 0, PackArgb(255, x, 0, 0));
  canvas.DrawScaled(&stripes, 0, 20, 5, 1);  // every other column, sampled at centres
  for (int32_t x = 0; x < 5; ++x) EXPECT_EQ(canvas.Pixel(x, 20) >> 16, static_cast<uint32_t>(2 * x + 1));
}

TEST_F(MemoryCanvasTest, RectanglesOffTheCanvasDrawTheirVisiblePartOnly) {
  const MemoryBitmap opaque = Solid(4, 4, 0xFFFFFFFF);
  canvas.DrawScaled(&opaque, -10, -10, 20, 20);
  EXPECT_EQ(canvas.Pixel(0, 0), 0x00FFFFFFu);
  EXPECT_EQ(canvas.Pixel(9, 9), 0x00FFFFFFu);
  EXPECT_EQ(canvas.Pixel(10, 10), kBackground);
  canvas.DrawScaled(&opaque, 35, 25, 20, 20);
  EXPECT_EQ(canvas.Pixel(39, 29), 0x00FFFFFFu);
  EXPECT_EQ(canvas.Pixel(34, 29), kBackground);
  canvas.Fill(kBackground);
  for (auto [x, y] : {std::pair{INT32_MAX, 0}, {INT32_MIN, INT32_MIN}, {-20, -20}, {40, 0}, {0, 30}})
    canvas.DrawScaled(&opaque, x, y, 20, INT32_MAX);
  canvas.DrawScaled(&opaque, 0, 0, 0, 10);
  canvas.DrawScaled(&opaque, 0, 0, -5, 10);
  for (int32_t y = 0; y < 30; ++y)
    for (int32_t x = 0; x < 40; ++x) ASSERT_EQ(canvas.Pixel(x, y), kBackground) << x << ", " << y;
  EXPECT_EQ(canvas.LastStatus(), DrawStatus::kOk);
}

TEST_F(MemoryCanvasTest, NoBitmapDrawsNothingAndLeavesAStatus) {
  canvas.DrawScaled(nullptr, 0, 0, 40, 30);
  EXPECT_EQ(canvas.LastStatus(), DrawStatus::kInvalidParameter);
  const MemoryBitmap empty(0, 0);
  canvas.DrawScaled(&empty, 0, 0, 40, 30);
  EXPECT_EQ(canvas.Pixel(0, 0), kBackground);
}

TEST(RecordingTargetTest, RecordsEveryRequestInOrderAndHandsItOn) {
  MemoryCanvas canvas(8, 8);
  RecordingTarget target(&canvas);
  const MemoryBitmap opaque = Solid(1, 1, 0xFF0A0B0C);
  target.DrawScaled(&opaque, 1, 2, 3, 4);
  target.DrawScaled(nullptr, -5, 0, 100, 7);
  ASSERT_EQ(target.calls.size(), 2u);
  EXPECT_EQ(target.calls[0], (RecordingTarget::DrawCall{&opaque, 1, 2, 3, 4}));
  EXPECT_EQ(target.calls[1], (RecordingTarget::DrawCall{nullptr, -5, 0, 100, 7}));
  EXPECT_EQ(canvas.Pixel(1, 2), 0x000A0B0Cu);
  EXPECT_EQ(target.LastStatus(), DrawStatus::kInvalidParameter);
  RecordingTarget alone;
  alone.DrawScaled(&opaque, 0, 0, 1, 1);
  EXPECT_EQ(alone.calls.size(), 1u);
  EXPECT_EQ(alone.LastStatus(), DrawStatus::kOk);
}

}  // namespace
}  // namespace ambervale
