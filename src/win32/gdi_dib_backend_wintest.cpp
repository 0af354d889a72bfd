#include "win32/gdi_dib_backend.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <vector>

#include "surfaces/dib.h"
#include "surfaces/jpeg_image.h"
#include "testing/test_pictures.h"
#include "testing/test_surfaces.h"
#include "win32/screen_dc.h"

namespace ambervale {
namespace {

void Size(Dib& dib, int32_t w, int32_t h, Rgb colour = 0) {
  dib.SetDepth(24);
  dib.SetDibWidth(w);
  dib.SetDibHeight(h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) dib.PutPixel(x, y, colour);
}

HDC DcOf(Dib& dib) { return DeviceContextOf(dib); }

TEST(GdiDibTest, SurfaceIsADibSectionInAScreenCompatibleMemoryDc) {
  Dib dib;
  EXPECT_EQ(dib.storage(), nullptr);
  Size(dib, 30, 20);
  HDC dc = DcOf(dib);
  ASSERT_NE(dc, nullptr);
  HBITMAP selected = static_cast<HBITMAP>(GetCurrentObject(dc, OBJ_BITMAP));
  DIBSECTION section{};
  ASSERT_EQ(GetObject(selected, sizeof section, &section), static_cast<int>(sizeof section));
  EXPECT_EQ(section.dsBm.bmBits, dib.storage()->Bits());
  EXPECT_EQ(section.dsBmih.biWidth, 30);
  EXPECT_EQ(section.dsBmih.biHeight, 20);  // positive: bottom-up
  EXPECT_EQ(section.dsBmih.biBitCount, 24);
  EXPECT_EQ(section.dsBm.bmWidthBytes, dib.Stride());
}

TEST(GdiDibTest, RowsHoldWhatGdiDrewAtTheSameCoordinates) {
  Dib dib;
  Size(dib, 16, 8);
  HDC dc = DcOf(dib);
  SetPixel(dc, 3, 0, RGB(10, 20, 30));
  SetPixel(dc, 15, 7, RGB(200, 100, 50));
  const uint8_t* top = dib.RowBytes(0);
  EXPECT_EQ(top[9], 30);
  EXPECT_EQ(top[10], 20);
  EXPECT_EQ(top[11], 10);
  const uint8_t* bottom = dib.RowBytes(7);
  EXPECT_EQ(bottom[45], 50);
  EXPECT_EQ(bottom[47], 200);
  EXPECT_EQ(GetPixel(dc, 3, 0), RGB(10, 20, 30));
}

TEST(GdiDibTest, CopyFromScreenTakesTheSourcesTopLeftCorner) {
  MemoryScreen screen(40, 30);
  for (int32_t y = 0; y < 30; ++y)
    for (int32_t x = 0; x < 40; ++x)
      screen.SetPixel(x, y, static_cast<uint32_t>(x * 6 << 16 | y * 8 << 8 | (x ^ y) * 4));
  Dib copy;
  Size(copy, 25, 12);
  copy.CopyFromScreen(screen);
  for (int32_t y = 0; y < 12; ++y) ASSERT_EQ(0, std::memcmp(copy.RowBytes(y), screen.Row(y), 75)) << "row " << y;
}

TEST(GdiDibTest, CopyFromTheRealScreenRaisesNothing) {
  ScreenDC screen;
  ASSERT_NE(screen.Handle(), nullptr);
  EXPECT_GT(DeviceColourDepth(screen.Handle()), 8);
  EXPECT_EQ(ScreenPictureDepth(), PictureDepth::kTrueColour);
  Dib dib;
  Size(dib, 50, 50, 0x00123456);
  dib.CopyFromScreen(screen);
  dib.RowBytes(49);
}

TEST(GdiDibTest, ThePictureBecomesOneGdiBitmapKeptWithIt) {
  const std::vector<uint8_t> bytes = testing_pictures::PatternJpeg(100, 100);
  JpegImage picture(bytes);
  Dib dib;
  Size(dib, 100, 100);
  dib.StretchPicture(Rect{0, 0, 100, 100}, picture);
  const PictureCache* cache = picture.platform_cache().get();
  ASSERT_NE(cache, nullptr);
  dib.StretchPicture(Rect{0, 0, 50, 50}, picture);
  EXPECT_EQ(picture.platform_cache().get(), cache);
  EXPECT_EQ(picture.DecodeCount(), 1);
  EXPECT_EQ(GetStretchBltMode(DcOf(dib)), COLORONCOLOR);
}

TEST(GdiDibTest, APalettePictureStretchesToItsOwnColours) {
  const std::vector<uint8_t> bytes = testing_pictures::PatternJpeg(100, 100);
  JpegImage picture(bytes, PictureDepth::kPalette236);
  Dib dib;
  Size(dib, 100, 100);
  dib.StretchPicture(Rect{0, 0, 100, 100}, picture);
  const DecodedPicture& decoded = picture.Decoded();
  int mismatches = 0;
  for (int32_t y = 0; y < 100; ++y) {
    const uint8_t* row = dib.RowBytes(y);
    for (int32_t x = 0; x < 100; ++x) {
      const uint32_t rgb = decoded.palette[decoded.pixels[static_cast<size_t>(y) * decoded.row_bytes + x]];
      if (row[3 * x] != (rgb & 0xFF) || row[3 * x + 1] != ((rgb >> 8) & 0xFF) || row[3 * x + 2] != (rgb >> 16))
        ++mismatches;
    }
  }
  EXPECT_EQ(mismatches, 0);
}

}  // namespace
}  // namespace ambervale
