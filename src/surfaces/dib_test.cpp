#include "surfaces/dib.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <vector>

#include "base/errors.h"
#include "surfaces/jpeg_image.h"
#include "testing/test_surfaces.h"
#include "testing/test_pictures.h"

namespace ambervale {
namespace {

using ::testing::HasSubstr;

// Wraps the build's backend and can be told to refuse the next allocation.
class RefusingBackend : public DibBackend {
 public:
  std::unique_ptr<DibStorage> Allocate(const DibFormat& format) override {
    if (refuse) return nullptr;
    return DefaultDibBackend().Allocate(format);
  }
  bool refuse = false;
};

std::vector<uint8_t> RowCopy(Dib& dib, int32_t y) {
  const uint8_t* row = dib.RowBytes(y);
  return std::vector<uint8_t>(row, row + static_cast<size_t>(dib.Width()) * 3);
}

TEST(DibSizeTest, DepthThenWidthThenHeight) {
  Dib dib;
  EXPECT_TRUE(dib.Empty());
  EXPECT_EQ(dib.Width(), 0);
  EXPECT_EQ(dib.Height(), 0);
  dib.SetDepth(24);
  EXPECT_EQ(dib.Width(), 1);
  EXPECT_EQ(dib.Height(), 1);
  EXPECT_EQ(dib.Depth(), 24);
  dib.SetDibWidth(100);
  EXPECT_EQ(dib.Width(), 100);
  EXPECT_EQ(dib.Height(), 1);
  dib.SetDibHeight(100);
  EXPECT_EQ(dib.Width(), 100);
  EXPECT_EQ(dib.Height(), 100);
  EXPECT_EQ(dib.Depth(), 24);
  EXPECT_EQ(dib.Stride(), 300);
}

TEST(DibSizeTest, WidthOrHeightAloneOnAnEmptySurfaceGivesEightBits) {
  Dib wide;
  wide.SetDibWidth(100);
  EXPECT_EQ(wide.Width(), 100);
  EXPECT_EQ(wide.Height(), 1);
  EXPECT_EQ(wide.Depth(), 8);
  EXPECT_EQ(wide.Stride(), 100);
  Dib tall;
  tall.SetDibHeight(7);
  EXPECT_EQ(tall.Width(), 1);
  EXPECT_EQ(tall.Height(), 7);
  EXPECT_EQ(tall.Depth(), 8);
  EXPECT_EQ(tall.Stride(), 4);
}

TEST(DibSizeTest, StrideRoundsEveryRowUpToWholeDoubleWords) {
  struct Case {
    int32_t depth, width, stride;
  };
  for (const Case c : {Case{1, 1, 4}, Case{1, 33, 8}, Case{4, 9, 8}, Case{8, 5, 8}, Case{16, 3, 8}, Case{24, 1, 4},
                       Case{24, 3, 12}, Case{24, 5, 16}, Case{32, 5, 20}}) {
    Dib dib;
    dib.SetDepth(c.depth);
    dib.SetDibWidth(c.width);
    dib.SetDibHeight(2);
    EXPECT_EQ(dib.Stride(), c.stride) << "depth " << c.depth << " width " << c.width;
  }
}

TEST(DibSizeTest, ZeroOrNegativeSizeEmptiesTheSurface) {
  Dib dib;
  dib.SetDepth(24);
  dib.SetDibWidth(10);
  dib.SetDibHeight(0);
  EXPECT_TRUE(dib.Empty());
  EXPECT_EQ(dib.Width(), 0);
  EXPECT_EQ(dib.Height(), 0);
  EXPECT_THROW(dib.RowBytes(0), InvalidGraphicOperation);
  dib.SetDibWidth(-5);
  EXPECT_TRUE(dib.Empty());
  dib.PutPixel(0, 0, 0);  // nothing to write, nothing raised
}

TEST(DibSizeTest, SameSizeKeepsTheStorageAndPixelsNewSizeReplacesThem) {
  Dib dib;
  dib.SetDepth(24);
  dib.SetDibWidth(10);
  dib.SetDibHeight(10);
  dib.PutPixel(3, 4, 0x00332211);
  const uint8_t* bits = dib.storage()->Bits();
  dib.SetDibWidth(10);
  dib.SetDibHeight(10);
  dib.SetDepth(24);
  EXPECT_EQ(dib.storage()->Bits(), bits);
  EXPECT_EQ(RowCopy(dib, 4)[9], 0x11);
  DibStorage* before = dib.storage();
  dib.SetDibWidth(11);
  EXPECT_NE(dib.storage(), before);
  EXPECT_EQ(dib.Width(), 11);
  EXPECT_EQ(dib.Height(), 10);
}

TEST(DibSizeTest, BadDepthRaisesAndKeepsTheOldStorage) {
  Dib dib;
  for (int32_t depth : {0, -24, 2, 7, 12, 25, 64}) {
    try {
      dib.SetDepth(depth);
      ADD_FAILURE() << "depth " << depth << " accepted";
    } catch (const InvalidGraphicOperation& e) {
      EXPECT_EQ(std::string(e.what()), Format("Bitcount in invalid (%d)", depth));
    }
    EXPECT_TRUE(dib.Empty());
  }
  dib.SetDepth(24);
  dib.SetDibWidth(4);
  dib.PutPixel(1, 0, 0x00EFCDAB);
  EXPECT_THROW(dib.SetDepth(7), InvalidGraphicOperation);
  EXPECT_EQ(dib.Depth(), 24);
  EXPECT_EQ(dib.Width(), 4);
  EXPECT_EQ(RowCopy(dib, 0)[3], 0xAB);
}

TEST(DibSizeTest, StorageThePlatformCannotMakeRaisesAndKeepsTheOldStorage) {
  RefusingBackend backend;
  Dib dib(backend);
  dib.SetDepth(24);
  dib.SetDibWidth(5);
  dib.PutPixel(0, 0, 0x00030201);
  backend.refuse = true;
  try {
    dib.SetDibHeight(5);
    ADD_FAILURE() << "refused storage accepted";
  } catch (const OutOfResources& e) {
    EXPECT_STREQ(e.what(), "DIB cannot be made");
  }
  EXPECT_EQ(dib.Height(), 1);
  EXPECT_EQ(RowCopy(dib, 0)[0], 0x01);
  backend.refuse = false;
  // Larger than a DIB can describe: refused before the platform is asked.
  Dib huge;
  huge.SetDepth(24);
  huge.SetDibWidth(100000);
  EXPECT_THROW(huge.SetDibHeight(100000), OutOfResources);
  EXPECT_EQ(huge.Height(), 1);
}

TEST(StretchQualityTest, HalftoningOnlyForScreensOfEightBitsOrLessBelowThePicture) {
  EXPECT_EQ(StretchQualityFor(8, 24), StretchQuality::kHalftone);
  EXPECT_EQ(StretchQualityFor(4, 8), StretchQuality::kHalftone);
  EXPECT_EQ(StretchQualityFor(8, 8), StretchQuality::kDropPixels);
  EXPECT_EQ(StretchQualityFor(16, 24), StretchQuality::kDropPixels);
  EXPECT_EQ(StretchQualityFor(24, 24), StretchQuality::kDropPixels);
  EXPECT_EQ(StretchQualityFor(32, 8), StretchQuality::kDropPixels);
}

class DibPixelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dib.SetDepth(24);
    dib.SetDibWidth(5);
    dib.SetDibHeight(3);
    for (int32_t y = 0; y < 3; ++y)
      for (int32_t x = 0; x < 5; ++x) dib.PutPixel(x, y, 0);
  }
  std::vector<uint8_t> Storage() {
    const uint8_t* bits = dib.storage()->Bits();
    return std::vector<uint8_t>(bits, bits + static_cast<size_t>(dib.Stride()) * dib.Height());
  }
  Dib dib;
};

TEST_F(DibPixelTest, PutPixelWritesBlueGreenRed) {
  dib.PutPixel(0, 0, 0x00996633);
  const uint8_t* row = dib.RowBytes(0);
  EXPECT_EQ(row[0], 0x33);
  EXPECT_EQ(row[1], 0x66);
  EXPECT_EQ(row[2], 0x99);
  dib.PutPixel(4, 2, PackRgb(1, 2, 3));
  EXPECT_EQ(dib.RowBytes(2)[12], 3);
  EXPECT_EQ(dib.RowBytes(2)[13], 2);
  EXPECT_EQ(dib.RowBytes(2)[14], 1);
}

TEST_F(DibPixelTest, PutPixelOutsideChangesNothing) {
  const std::vector<uint8_t> before = Storage();
  for (auto [x, y] : {std::pair{5, 0}, {-1, 0}, {0, -1}, {0, 3}, {INT32_MIN, INT32_MAX}})
    dib.PutPixel(x, y, 0x00FFFFFF);
  EXPECT_EQ(Storage(), before);
}

TEST_F(DibPixelTest, RowsRunTopDownWhileMemoryHoldsTheBottomRowFirst) {
  const uint8_t* bits = dib.storage()->Bits();
  EXPECT_EQ(dib.RowBytes(2), bits);
  EXPECT_EQ(dib.RowBytes(1), bits + dib.Stride());
  EXPECT_EQ(dib.RowBytes(0), bits + 2 * dib.Stride());
  dib.PutPixel(1, 0, 0x00FFFFFF);
  EXPECT_EQ(bits[2 * dib.Stride() + 3], 0xFF);  // the top row's pixel 1 is in the last memory row
  EXPECT_EQ(bits[3], 0x00);
}

TEST_F(DibPixelTest, RowOutsideRaisesWithTheIndex) {
  for (int32_t y : {3, -1, 1000}) {
    try {
      dib.RowBytes(y);
      ADD_FAILURE() << "row " << y << " accepted";
    } catch (const InvalidGraphicOperation& e) {
      EXPECT_EQ(std::string(e.what()), Format("Index of the scanning line exceeded the range. (%d)", y));
    }
  }
}

TEST(DibScreenCopyTest, CopiesTheScreensTopLeftCorner) {
  MemoryScreen screen(7, 6);
  for (int32_t y = 0; y < 6; ++y)
    for (int32_t x = 0; x < 7; ++x) screen.SetPixel(x, y, static_cast<uint32_t>(0x010000 * (10 * y + x) + 0x0203 * x));
  Dib dib;
  dib.SetDepth(24);
  dib.SetDibWidth(5);
  dib.SetDibHeight(4);
  dib.CopyFromScreen(screen);
  for (int32_t y = 0; y < 4; ++y) EXPECT_EQ(0, std::memcmp(dib.RowBytes(y), screen.Row(y), 15)) << "row " << y;
}

TEST(DibScreenCopyTest, ASmallerScreenLeavesTheRestAndAnEmptySurfaceIgnoresIt) {
  MemoryScreen screen(2, 2);
  screen.Fill(0x00FFFFFF);
  Dib dib;
  dib.SetDepth(24);
  dib.SetDibWidth(3);
  dib.SetDibHeight(3);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 3; ++x) dib.PutPixel(x, y, 0x00010101);
  dib.CopyFromScreen(screen);
  EXPECT_EQ(dib.RowBytes(0)[0], 0xFF);
  EXPECT_EQ(dib.RowBytes(0)[6], 0x01);
  EXPECT_EQ(dib.RowBytes(2)[0], 0x01);
  Dib empty;
  empty.CopyFromScreen(screen);
  EXPECT_TRUE(empty.Empty());
}

class DibStretchTest : public ::testing::Test {
 protected:
  DibStretchTest() : bytes(testing_pictures::PatternJpeg(100, 100)), picture(bytes) {}
  void Size(int32_t w, int32_t h) {
    dib.SetDepth(24);
    dib.SetDibWidth(w);
    dib.SetDibHeight(h);
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) dib.PutPixel(x, y, 0);
  }
  std::vector<uint8_t> bytes;
  JpegImage picture;
  Dib dib;
};

TEST_F(DibStretchTest, SameSizeIsAnExactCopyOfTheDecodedPixels) {
  Size(100, 100);
  dib.StretchPicture(Rect{0, 0, 100, 100}, picture);
  const DecodedPicture& decoded = picture.Decoded();
  ASSERT_EQ(decoded.bits, 24);
  for (int32_t y = 0; y < 100; ++y)
    ASSERT_EQ(0, std::memcmp(dib.RowBytes(y), decoded.pixels.data() + static_cast<size_t>(y) * decoded.row_bytes, 300))
        << "row " << y;
}

TEST_F(DibStretchTest, ShrinkingOnlyEverYieldsPixelsOfThePicture) {
  Size(20, 20);
  dib.StretchPicture(Rect{0, 0, 20, 20}, picture);
  const DecodedPicture& decoded = picture.Decoded();
  std::set<uint32_t> colours;
  for (size_t i = 0; i < decoded.pixels.size(); i += 3)
    colours.insert(decoded.pixels[i] | decoded.pixels[i + 1] << 8 | decoded.pixels[i + 2] << 16);
  for (int32_t y = 0; y < 20; ++y) {
    const uint8_t* row = dib.RowBytes(y);
    for (int32_t x = 0; x < 20; ++x) {
      const uint32_t colour = row[3 * x] | row[3 * x + 1] << 8 | row[3 * x + 2] << 16;
      EXPECT_TRUE(colours.count(colour)) << "pixel (" << x << ", " << y << ") is not one of the picture's";
    }
  }
}

TEST_F(DibStretchTest, ThePictureIsDecodedOnceHoweverOftenItIsDrawn) {
  Size(100, 100);
  EXPECT_EQ(picture.DecodeCount(), 0);
  dib.StretchPicture(Rect{0, 0, 100, 100}, picture);
  dib.StretchPicture(Rect{0, 0, 100, 100}, picture);
  dib.StretchPicture(Rect{10, 10, 30, 30}, picture);
  EXPECT_EQ(picture.DecodeCount(), 1);
}

TEST_F(DibStretchTest, ARectangleReachingOutsideIsClipped) {
  Size(10, 10);
  dib.StretchPicture(Rect{-50, -50, 50, 50}, picture);
  dib.StretchPicture(Rect{5, 5, 200, 200}, picture);
  EXPECT_EQ(dib.Width(), 10);
  Dib empty;
  empty.StretchPicture(Rect{0, 0, 10, 10}, picture);  // nothing to draw on
  EXPECT_TRUE(empty.Empty());
}

TEST_F(DibStretchTest, CorruptPictureRaisesAndTheSurfaceLives) {
  Size(10, 10);
  std::vector<uint8_t> junk(200, 0x5A);
  JpegImage bad(junk);
  EXPECT_THROW(dib.StretchPicture(Rect{0, 0, 10, 10}, bad), JpegError);
  EXPECT_EQ(dib.RowBytes(9)[0], 0);
}

}  // namespace
}  // namespace ambervale
