#include "win32/screen_patch_target.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "surfaces/dib.h"
#include "win32/gdi_dib_backend.h"

namespace ambervale {
namespace {

constexpr int32_t kSize = 64;

// A 24-bit DIB section standing in for the screen, with a gradient so that a patch copied
// back to the wrong place shows.
struct FakeScreen {
  FakeScreen() {
    dib.SetDepth(24);
    dib.SetDibWidth(kSize);
    dib.SetDibHeight(kSize);
    for (int32_t y = 0; y < kSize; ++y)
      for (int32_t x = 0; x < kSize; ++x) dib.PutPixel(x, y, PackRgb(4 * x, 4 * y, 128));
  }
  HDC Dc() { return DeviceContextOf(dib); }
  uint32_t Pixel(int32_t x, int32_t y) {
    const uint8_t* p = dib.RowBytes(y) + 3 * x;
    return uint32_t{p[2]} << 16 | uint32_t{p[1]} << 8 | p[0];
  }
  Dib dib;
};

bool Near(uint32_t a, uint32_t b) {
  for (int shift = 0; shift < 24; shift += 8)
    if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > 1) return false;
  return true;
}

// Through the patch, a clipped and scaled blend comes out as GDI+ draws it straight on the
// screen, at the same place, and nothing outside the clip changes.
TEST(ScreenPatchTargetTest, BlendsAsGdiplusDoesOnTheScreenWithinTheClip) {
  GdiplusSession session;
  ASSERT_TRUE(session.ok());
  GdiplusBitmap leaf(10, 10);
  for (int32_t y = 0; y < 10; ++y)
    for (int32_t x = 0; x < 10; ++x) leaf.PutArgb(x, y, PackArgb(x == 0 ? 0 : 40 + 20 * y, 250, 25 * x, 10));

  FakeScreen straight, patched;
  FakeScreen untouched;
  {
    GdiplusGraphics direct(straight.Dc());
    ScreenPatchTarget target(patched.Dc());
    const Rect clip{0, 0, 40, kSize};
    direct.ClipTo(clip);
    target.ClipTo(clip);
    for (const Rect& cell : {Rect{-7, 5, 30, 30}, Rect{25, 30, 30, 30}, Rect{50, 0, 10, 10}}) {
      direct.DrawScaled(&leaf, cell.left, cell.top, cell.right, cell.bottom);
      target.DrawScaled(&leaf, cell.left, cell.top, cell.right, cell.bottom);
    }
    direct.Flush();
    EXPECT_EQ(target.LastStatus(), DrawStatus::kOk);
  }
  int changed = 0, differing = 0;
  for (int32_t y = 0; y < kSize; ++y) {
    for (int32_t x = 0; x < kSize; ++x) {
      if (!Near(patched.Pixel(x, y), straight.Pixel(x, y))) ++differing;
      if (x >= 40) {
        ASSERT_EQ(patched.Pixel(x, y), untouched.Pixel(x, y)) << x << "," << y;
      }
      if (patched.Pixel(x, y) != untouched.Pixel(x, y)) ++changed;
    }
  }
  EXPECT_GT(changed, 500);
  // GDI+ may resample a cell's edge pixels a little differently at another offset; a patch
  // put back one pixel off would differ almost everywhere.
  EXPECT_LT(differing, changed / 20);
}

}  // namespace
}  // namespace ambervale
