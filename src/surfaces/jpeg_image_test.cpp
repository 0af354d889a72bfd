#include "surfaces/jpeg_image.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "base/errors.h"
#include "testing/test_pictures.h"

namespace ambervale {
namespace {

// Replaces the frame header's height and width (after SOF0: length, precision, height, width).
std::vector<uint8_t> WithClaimedSize(std::vector<uint8_t> jpeg, uint16_t width, uint16_t height) {
  for (size_t i = 0; i + 8 < jpeg.size(); ++i) {
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
      jpeg[i + 5] = static_cast<uint8_t>(height >> 8);
      jpeg[i + 6] = static_cast<uint8_t>(height);
      jpeg[i + 7] = static_cast<uint8_t>(width >> 8);
      jpeg[i + 8] = static_cast<uint8_t>(width);
      break;
    }
  }
  return jpeg;
}

TEST(JpegImageTest, DecodesFullSizeIntoBlueGreenRedRows) {
  const std::vector<uint8_t> bytes = testing_pictures::SolidJpeg(24, 16, 220, 120, 30);
  JpegImage picture(bytes);
  EXPECT_FALSE(picture.IsDecoded());
  const DecodedPicture& decoded = picture.Decoded();
  EXPECT_EQ(decoded.width, 24);
  EXPECT_EQ(decoded.height, 16);
  EXPECT_EQ(decoded.bits, 24);
  EXPECT_EQ(decoded.row_bytes, 72);
  ASSERT_EQ(decoded.pixels.size(), 72u * 16);
  for (size_t i = 0; i < decoded.pixels.size(); i += 3) {
    ASSERT_NEAR(decoded.pixels[i], 30, 3) << "blue at byte " << i;
    ASSERT_NEAR(decoded.pixels[i + 1], 120, 3) << "green at byte " << i;
    ASSERT_NEAR(decoded.pixels[i + 2], 220, 3) << "red at byte " << i;
  }
}

TEST(JpegImageTest, DecodesOnceAndKeepsThePicture) {
  const std::vector<uint8_t> bytes = testing_pictures::PatternJpeg(100, 100);
  JpegImage picture(bytes);
  const DecodedPicture* first = &picture.Decoded();
  const DecodedPicture* second = &picture.Decoded();
  EXPECT_EQ(first, second);
  EXPECT_EQ(picture.DecodeCount(), 1);
  EXPECT_TRUE(picture.IsDecoded());
}

TEST(JpegImageTest, PaletteDepthQuantisesTo236ColoursAtMost) {
  const std::vector<uint8_t> bytes = testing_pictures::PatternJpeg(100, 100);
  JpegImage picture(bytes, PictureDepth::kPalette236);
  const DecodedPicture& decoded = picture.Decoded();
  EXPECT_EQ(decoded.bits, 8);
  EXPECT_EQ(decoded.row_bytes, 100);
  ASSERT_FALSE(decoded.palette.empty());
  EXPECT_LE(decoded.palette.size(), 236u);
  for (uint8_t index : decoded.pixels) ASSERT_LT(index, decoded.palette.size());
}

TEST(JpegImageTest, RejectedDataRaisesTheDecodersMessageNumber) {
  const std::vector<uint8_t> good = testing_pictures::PatternJpeg(32, 32);
  std::vector<uint8_t> bad_marker = good;
  bad_marker[1] = 0x00;  // no start-of-image marker
  std::vector<uint8_t> noise(500);
  uint32_t seed = 12345;
  for (uint8_t& b : noise) b = static_cast<uint8_t>((seed = seed * 1103515245u + 12345u) >> 16);
  const std::vector<uint8_t> header_only(good.begin(), good.begin() + 2);
  const std::vector<std::vector<uint8_t>> cases = {{}, bad_marker, noise, header_only};
  for (size_t i = 0; i < cases.size(); ++i) {
    JpegImage picture(cases[i]);
    try {
      picture.Decoded();
      ADD_FAILURE() << "case " << i << " decoded";
    } catch (const JpegError& e) {
      int code = -1;
      ASSERT_EQ(std::sscanf(e.what(), "JPEG error #%d", &code), 1) << e.what();
      EXPECT_EQ(std::string(e.what()), Format("JPEG error #%d", code)) << "case " << i;
      EXPECT_GT(code, 0);
    }
    EXPECT_FALSE(picture.IsDecoded());
    EXPECT_THROW(picture.Decoded(), JpegError) << "a failed picture fails again, case " << i;
  }
}

TEST(JpegImageTest, TruncatedScanDataStillGivesAWholePicture) {
  const std::vector<uint8_t> good = testing_pictures::PatternJpeg(64, 64);
  const std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<ptrdiff_t>(good.size() * 2 / 3));
  JpegImage picture(cut);
  const DecodedPicture& decoded = picture.Decoded();
  EXPECT_EQ(decoded.width, 64);
  EXPECT_EQ(decoded.height, 64);
  EXPECT_EQ(decoded.pixels.size(), 64u * 64 * 3);
}

TEST(JpegImageTest, AHugeClaimedSizeRaisesInsteadOfAllocating) {
  const std::vector<uint8_t> bytes = WithClaimedSize(testing_pictures::PatternJpeg(16, 16), 65000, 65000);
  JpegImage picture(bytes);
  EXPECT_THROW(picture.Decoded(), JpegError);
  JpegImage palette(bytes, PictureDepth::kPalette236);
  EXPECT_THROW(palette.Decoded(), JpegError);
}

TEST(JpegImageTest, FlippedBytesNeverCrash) {
  const std::vector<uint8_t> good = testing_pictures::PatternJpeg(40, 40);
  uint32_t seed = 7;
  for (int round = 0; round < 200; ++round) {
    std::vector<uint8_t> bytes = good;
    for (int flips = 0; flips < 4; ++flips) {
      seed = seed * 1103515245u + 12345u;
      bytes[(seed >> 8) % bytes.size()] ^= static_cast<uint8_t>(1u << ((seed >> 4) % 8));
    }
    JpegImage picture(bytes);
    try {
      const DecodedPicture& decoded = picture.Decoded();
      ASSERT_EQ(decoded.pixels.size(), static_cast<size_t>(decoded.row_bytes) * decoded.height);
    } catch (const JpegError&) {
    }
  }
}

}  // namespace
}  // namespace ambervale
