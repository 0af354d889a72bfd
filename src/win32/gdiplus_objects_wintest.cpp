#include "win32/gdiplus_objects.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

#include "surfaces/dib.h"
#include "surfaces/memory_surfaces.h"
#include "win32/gdi_dib_backend.h"

namespace ambervale {
namespace {

// A 24-bit DIB section in a memory device context stands in for the screen.
class GdiplusTest : public ::testing::Test {
 protected:
  static constexpr int32_t kSize = 64;
  static constexpr Rgb kBackground = 0x002864C8;  // red 0x28, green 0x64, blue 0xC8

  void SetUp() override {
    ASSERT_TRUE(session.ok()) << "GdiplusStartup status " << session.status();
    canvas.SetDepth(24);
    canvas.SetDibWidth(kSize);
    canvas.SetDibHeight(kSize);
    for (int32_t y = 0; y < kSize; ++y)
      for (int32_t x = 0; x < kSize; ++x) canvas.PutPixel(x, y, kBackground);
    ASSERT_NE(Dc(), nullptr);
  }

  HDC Dc() { return DeviceContextOf(canvas); }

  // The canvas pixel as 0x00RRGGBB.
  uint32_t Pixel(int32_t x, int32_t y) {
    const uint8_t* p = canvas.RowBytes(y) + 3 * x;
    return uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
  }

  void Fill(GdiplusBitmap& bitmap, Argb colour) {
    for (int32_t y = 0; y < bitmap.Height(); ++y)
      for (int32_t x = 0; x < bitmap.Width(); ++x) bitmap.PutArgb(x, y, colour);
  }

  GdiplusSession session;
  Dib canvas;
};

TEST_F(GdiplusTest, BitmapKeepsPixelsAndFailuresStayInTheStatus) {
  GdiplusBitmap bitmap(100, 100);
  ASSERT_NE(bitmap.Handle(), nullptr);
  EXPECT_EQ(bitmap.Width(), 100);
  bitmap.PutArgb(0, 0, 0xFF010203);
  bitmap.PutArgb(99, 99, 0x80A0B0C0);
  EXPECT_EQ(bitmap.LastStatus(), DrawStatus::kOk);
  EXPECT_EQ(bitmap.GetArgb(0, 0), 0xFF010203u);
  EXPECT_EQ(bitmap.GetArgb(99, 99), 0x80A0B0C0u);
  bitmap.PutArgb(100, 0, 0xFFFFFFFF);
  EXPECT_NE(bitmap.LastStatus(), DrawStatus::kOk);
  bitmap.PutArgb(-1, 5, 0xFFFFFFFF);  // no exception, no other effect
  EXPECT_EQ(bitmap.GetArgb(0, 0), 0xFF010203u);

  GdiplusBitmap bad(0, 10);
  EXPECT_EQ(bad.Handle(), nullptr);
  EXPECT_NE(bad.LastStatus(), DrawStatus::kOk);
  bad.PutArgb(0, 0, 1);
  std::vector<Argb> pixels(10, 0xFFFFFFFF);
  bad.PutArgbRows(pixels.data());
}

TEST_F(GdiplusTest, BulkWriteGivesTheSamePixelsAsSingleWrites) {
  std::vector<Argb> pixels(100 * 100);
  uint32_t seed = 2024;
  for (Argb& p : pixels) p = (seed = seed * 1664525u + 1013904223u);
  for (size_t i = 0; i < 300; ++i) pixels[i * 7] &= 0x00FFFFFF;  // some fully transparent
  GdiplusBitmap single(100, 100);
  GdiplusBitmap bulk(100, 100);
  for (int32_t y = 0; y < 100; ++y)
    for (int32_t x = 0; x < 100; ++x) single.PutArgb(x, y, pixels[static_cast<size_t>(y) * 100 + x]);
  bulk.PutArgbRows(pixels.data());
  EXPECT_EQ(bulk.LastStatus(), DrawStatus::kOk);
  int mismatches = 0;
  for (int32_t y = 0; y < 100; ++y) {
    for (int32_t x = 0; x < 100; ++x) {
      const Argb expected = pixels[static_cast<size_t>(y) * 100 + x];
      const Argb a = single.GetArgb(x, y);
      const Argb b = bulk.GetArgb(x, y);
      if (a != b || a != expected) ++mismatches;
    }
  }
  EXPECT_EQ(mismatches, 0);
}

TEST_F(GdiplusTest, FiveDrawsAtConstantAlphaMoveThePixelAlongTheFadeCurve) {
  GdiplusBitmap sprite(100, 100);
  Fill(sprite, PackArgb(100, 240, 200, 10));
  GdiplusGraphics target(Dc());
  const uint32_t background = Pixel(0, 0);
  for (int draw = 1; draw <= 5; ++draw) {
    target.DrawScaled(&sprite, 10, 10, 40, 40);
    target.Flush();
    EXPECT_EQ(target.LastStatus(), DrawStatus::kOk);
    const double share = 1.0 - std::pow(1.0 - 100 / 255.0, draw);
    const uint32_t p = Pixel(30, 30);
    auto expect = [&](int shift, int sprite_value) {
      const double from = (background >> shift) & 0xFF;
      EXPECT_NEAR(static_cast<double>((p >> shift) & 0xFF), from + (sprite_value - from) * share, 2.0)
          << "draw " << draw << " channel shift " << shift;
    };
    expect(16, 240);
    expect(8, 200);
    expect(0, 10);
  }
  EXPECT_EQ(Pixel(5, 30), background);
  EXPECT_EQ(Pixel(55, 55), background);
}

TEST_F(GdiplusTest, AlphaZeroLeavesTheTargetAndAlpha255CoversIt) {
  GdiplusGraphics target(Dc());
  GdiplusBitmap clear(20, 20);
  Fill(clear, PackArgb(0, 255, 255, 255));
  const uint32_t background = Pixel(0, 0);
  target.DrawScaled(&clear, 0, 0, kSize, kSize);
  target.Flush();
  for (int32_t y = 0; y < kSize; ++y)
    for (int32_t x = 0; x < kSize; ++x) ASSERT_EQ(Pixel(x, y), background) << x << ", " << y;
  GdiplusBitmap opaque(20, 20);
  Fill(opaque, PackArgb(255, 1, 2, 3));
  target.DrawScaled(&opaque, 8, 8, 20, 20);
  target.Flush();
  for (int32_t y = 9; y < 27; ++y)
    for (int32_t x = 9; x < 27; ++x) ASSERT_EQ(Pixel(x, y), 0x00010203u) << x << ", " << y;
  EXPECT_EQ(Pixel(40, 40), background);
}

TEST_F(GdiplusTest, RectanglesOffTheTargetDrawTheirVisiblePartAndRaiseNothing) {
  GdiplusGraphics target(Dc());
  GdiplusBitmap opaque(10, 10);
  Fill(opaque, 0xFFFFFFFF);
  const uint32_t background = Pixel(0, 0);
  target.DrawScaled(&opaque, -20, -20, 30, 30);
  target.Flush();
  // The scaled bitmap's own edge is filtered towards transparency, so only the inside of
  // the visible part is checked for full cover.
  EXPECT_EQ(Pixel(0, 0), 0x00FFFFFFu);
  EXPECT_EQ(Pixel(5, 5), 0x00FFFFFFu);
  EXPECT_EQ(Pixel(12, 12), background);
  target.DrawScaled(&opaque, 1000, 1000, 30, 30);
  target.DrawScaled(&opaque, -1000, 10, 30, 30);
  target.Flush();
  EXPECT_EQ(Pixel(0, 30), background);
}

TEST_F(GdiplusTest, NoBitmapOrABadDeviceContextOnlyLeavesAStatus) {
  GdiplusGraphics target(Dc());
  const uint32_t background = Pixel(3, 3);
  target.DrawScaled(nullptr, 0, 0, 10, 10);
  EXPECT_NE(target.LastStatus(), DrawStatus::kOk);
  MemoryBitmap foreign(4, 4);
  target.DrawScaled(&foreign, 0, 0, 10, 10);
  target.Flush();
  EXPECT_EQ(Pixel(3, 3), background);

  GdiplusGraphics nowhere(nullptr);
  EXPECT_NE(nowhere.LastStatus(), DrawStatus::kOk);
  GdiplusBitmap opaque(4, 4);
  nowhere.DrawScaled(&opaque, 0, 0, 4, 4);
}

// Prints what a sprite rebuild costs each way; nothing is asserted about speed.
TEST_F(GdiplusTest, SpriteRebuildFigures) {
  constexpr int kRebuilds = 1000;
  std::vector<Argb> pixels(100 * 100);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<Argb>(0x50000000u | (i * 2654435761u >> 8));
  GdiplusBitmap bitmap(100, 100);
  using Clock = std::chrono::steady_clock;
  const auto t0 = Clock::now();
  for (int n = 0; n < kRebuilds; ++n)
    for (int32_t i = 0; i < 100; ++i)
      for (int32_t j = 0; j < 100; ++j) bitmap.PutArgb(i, j, pixels[static_cast<size_t>(j) * 100 + i]);
  const auto t1 = Clock::now();
  for (int n = 0; n < kRebuilds; ++n) bitmap.PutArgbRows(pixels.data());
  const auto t2 = Clock::now();
  const double single_ms = std::chrono::duration<double, std::milli>(t1 - t0).count();
  const double bulk_ms = std::chrono::duration<double, std::milli>(t2 - t1).count();
  std::printf(
      "[ figures  ] %d rebuilds of a 100x100 sprite bitmap: per pixel %.1f ms (%.1f us each), bulk %.1f ms (%.1f us "
      "each)\n",
      kRebuilds, single_ms, single_ms * 1000 / kRebuilds, bulk_ms, bulk_ms * 1000 / kRebuilds);
  EXPECT_EQ(bitmap.LastStatus(), DrawStatus::kOk);
}

}  // namespace
}  // namespace ambervale
