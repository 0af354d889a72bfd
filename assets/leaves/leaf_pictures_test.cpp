#include "leaf_pictures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <set>
#include <vector>

#include "surfaces/jpeg_image.h"

namespace ambervale {
namespace {

#include "leaf_masks.inc"

constexpr int kSize = 100;
static_assert(kLeafMaskSize == kSize);
// The sprite builder's key: a pixel is leaf when any channel is above this.
constexpr int kKeyThreshold = 100;
// Pixels this close (in rows or columns) to the leaf's outline are antialiased and may key
// either way; everything further in or out must key correctly.
constexpr int kOutlineBand = 1;

// 1 = leaf, 0 = background, as the generator drew it.
std::vector<uint8_t> Mask(int index) {
  std::vector<uint8_t> mask(kSize * kSize);
  for (int y = 0; y < kSize; ++y) {
    const char* row = kLeafMasks[index - 1][y];
    for (int x = 0; x < kSize; ++x) {
      char c = row[x / 4];
      int nibble = c <= '9' ? c - '0' : c - 'a' + 10;
      mask[y * kSize + x] = static_cast<uint8_t>((nibble >> (3 - x % 4)) & 1);
    }
  }
  return mask;
}

// Whether every pixel within the band around (x, y) has the same mask value as (x, y).
bool ClearOfOutline(const std::vector<uint8_t>& mask, int x, int y) {
  uint8_t own = mask[y * kSize + x];
  for (int dy = -kOutlineBand; dy <= kOutlineBand; ++dy)
    for (int dx = -kOutlineBand; dx <= kOutlineBand; ++dx) {
      int xx = std::clamp(x + dx, 0, kSize - 1), yy = std::clamp(y + dy, 0, kSize - 1);
      if (mask[yy * kSize + xx] != own) return false;
    }
  return true;
}

uint16_t Be16(std::span<const uint8_t> b, size_t at) { return static_cast<uint16_t>(b[at] << 8 | b[at + 1]); }

TEST(LeafPictureBytes, OnlyIndicesOneToTwentyFiveHavePictures) {
  for (int32_t index : {std::numeric_limits<int32_t>::min(), -1, 0, 26, 27, std::numeric_limits<int32_t>::max()})
    EXPECT_TRUE(LeafPictureBytes(index).empty()) << index;
  std::set<std::vector<uint8_t>> distinct;
  for (int32_t index = 1; index <= kLeafPictureCount; ++index) {
    std::span<const uint8_t> bytes = LeafPictureBytes(index);
    ASSERT_GT(bytes.size(), 1000u) << index;
    EXPECT_EQ(LeafPictureBytes(index).data(), bytes.data()) << "the same bytes every time";
    distinct.emplace(bytes.begin(), bytes.end());
  }
  EXPECT_EQ(distinct.size(), static_cast<size_t>(kLeafPictureCount)) << "every picture is its own";
}

// Walks the markers up to the scan: JFIF, one baseline frame of 100 x 100 at 8 bits, three
// components, luma at full and both chroma components at half resolution both ways.
TEST(LeafPictureBytes, EveryPictureIsABaselineJfifWithHalfResolutionChroma) {
  for (int32_t index = 1; index <= kLeafPictureCount; ++index) {
    SCOPED_TRACE(index);
    std::span<const uint8_t> b = LeafPictureBytes(index);
    ASSERT_GE(b.size(), 20u);
    ASSERT_EQ(Be16(b, 0), 0xFFD8);
    ASSERT_EQ(Be16(b, 2), 0xFFE0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[6]), 5), std::string("JFIF\0", 5));
    int frames = 0;
    size_t at = 2;
    while (at + 4 <= b.size()) {
      ASSERT_EQ(b[at], 0xFF) << "marker expected at " << at;
      uint8_t marker = b[at + 1];
      size_t length = Be16(b, at + 2);
      ASSERT_LE(at + 2 + length, b.size());
      EXPECT_FALSE(marker >= 0xC1 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
          << "only the baseline frame type, found 0x" << std::hex << int{marker};
      if (marker == 0xC0) {
        ++frames;
        EXPECT_EQ(b[at + 4], 8) << "bits a sample";
        EXPECT_EQ(Be16(b, at + 5), kSize);
        EXPECT_EQ(Be16(b, at + 7), kSize);
        ASSERT_EQ(b[at + 9], 3) << "components";
        EXPECT_EQ(b[at + 11], 0x22) << "luma sampling";
        EXPECT_EQ(b[at + 14], 0x11) << "Cb sampling";
        EXPECT_EQ(b[at + 17], 0x11) << "Cr sampling";
      }
      if (marker == 0xDA) break;
      at += 2 + length;
    }
    EXPECT_EQ(frames, 1);
  }
}

// The sprite builder keys out every pixel whose channels are all 100 or less. Decoded the way
// the program decodes them, the background must key out everywhere and the leaf nowhere, or
// sprites get halos and holes.
TEST(LeafPictureBytes, DecodedPicturesKeyCleanlyAgainstTheirMasks) {
  int worst_background = 0, worst_background_picture = 0;
  int worst_leaf = 255, worst_leaf_picture = 0;
  for (int32_t index = 1; index <= kLeafPictureCount; ++index) {
    SCOPED_TRACE(index);
    JpegImage image(LeafPictureBytes(index));
    const DecodedPicture& decoded = image.Decoded();
    ASSERT_EQ(decoded.width, kSize);
    ASSERT_EQ(decoded.height, kSize);
    ASSERT_EQ(decoded.bits, 24);
    std::vector<uint8_t> mask = Mask(index);
    int leaf_pixels = 0, background_pixels = 0, wrong = 0;
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x) {
        if (!ClearOfOutline(mask, x, y)) continue;
        const uint8_t* bgr = &decoded.pixels[static_cast<size_t>(y) * decoded.row_bytes + 3 * x];
        int brightest = std::max({bgr[0], bgr[1], bgr[2]});
        if (mask[y * kSize + x]) {
          ++leaf_pixels;
          if (brightest < worst_leaf) worst_leaf = brightest, worst_leaf_picture = index;
          if (brightest <= kKeyThreshold && ++wrong <= 5)
            ADD_FAILURE() << "leaf pixel (" << x << ", " << y << ") keys out: " << brightest;
        } else {
          ++background_pixels;
          if (brightest > worst_background) worst_background = brightest, worst_background_picture = index;
          if (brightest > kKeyThreshold && ++wrong <= 5)
            ADD_FAILURE() << "background pixel (" << x << ", " << y << ") is kept: " << brightest;
        }
      }
    // Both sides of the key are really checked, not just the band.
    EXPECT_GT(leaf_pixels, kSize * kSize / 20);
    EXPECT_GT(background_pixels, kSize * kSize / 10);
  }
  std::printf(
      "key check: brightest background channel %d (Image%d), dimmest leaf pixel's brightest channel %d (Image%d)\n",
      worst_background, worst_background_picture, worst_leaf, worst_leaf_picture);
  RecordProperty("worst_background", worst_background);
  RecordProperty("worst_leaf", worst_leaf);
}

// Each leaf roughly fills its picture but is not cut off by the frame.
TEST(LeafPictureBytes, LeavesFillTheFrameWithoutTouchingIt) {
  for (int32_t index = 1; index <= kLeafPictureCount; ++index) {
    SCOPED_TRACE(index);
    std::vector<uint8_t> mask = Mask(index);
    int left = kSize, right = -1, top = kSize, bottom = -1, area = 0;
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x)
        if (mask[y * kSize + x]) {
          left = std::min(left, x), right = std::max(right, x);
          top = std::min(top, y), bottom = std::max(bottom, y);
          ++area;
        }
    ASSERT_GE(right, 0) << "no leaf at all";
    EXPECT_GE(std::max(right - left, bottom - top) + 1, 88);
    EXPECT_GT(left, 0);
    EXPECT_GT(top, 0);
    EXPECT_LT(right, kSize - 1);
    EXPECT_LT(bottom, kSize - 1);
    EXPECT_GT(area, kSize * kSize / 8);
  }
}

}  // namespace
}  // namespace ambervale
