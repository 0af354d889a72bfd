#include "linux/scale_picture.h"

#include <gtest/gtest.h>

namespace ambervale {
namespace {

TEST(ScalePicture, ScalesByNearestPixel) {
  const std::vector<uint32_t> picture{1, 2, 3, 4};  // 2 x 2
  EXPECT_EQ(ScalePicture(picture, 2, 2, 4, 2), (std::vector<uint32_t>{1, 1, 2, 2, 3, 3, 4, 4}));
  EXPECT_EQ(ScalePicture(picture, 2, 2, 1, 1), (std::vector<uint32_t>{1}));
  EXPECT_EQ(ScalePicture(picture, 2, 2, 2, 2), picture);
}

TEST(ScalePicture, AMismatchedPictureScalesToThePlainBackground) {
  EXPECT_EQ(ScalePicture({1, 2, 3}, 2, 2, 2, 1), (std::vector<uint32_t>{kPlainBackground, kPlainBackground}));
  EXPECT_EQ(ScalePicture({}, 0, 0, 1, 1), (std::vector<uint32_t>{kPlainBackground}));
  EXPECT_TRUE(ScalePicture({1}, 1, 1, 0, 5).empty());
}

}  // namespace
}  // namespace ambervale
