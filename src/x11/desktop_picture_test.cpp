#include "x11/desktop_picture.h"

#include <gtest/gtest.h>

namespace ambervale {
namespace {

TEST(DesktopPicture, ChoosesNoScreenPictureWithoutTheUsersConsent) {
  // Facts: desktop pictures allowed, daemon window, nested window, screenshot available.
  for (bool daemon : {false, true})
    for (bool screenshot : {false, true}) EXPECT_EQ(ChooseBackground({false, daemon, false, screenshot}), BackgroundSource::kPlain);
  EXPECT_EQ(ChooseBackground({false, false, true, true}), BackgroundSource::kPlain);  // a settings preview
  EXPECT_EQ(ChooseBackground({true, true, false, true}), BackgroundSource::kDaemonScreenshot);
  EXPECT_EQ(ChooseBackground({true, true, false, false}), BackgroundSource::kPlain);
  EXPECT_EQ(ChooseBackground({true, false, false, false}), BackgroundSource::kGrabScreen);
}

TEST(DesktopPicture, TakesTheWallpaperFromAChildWindowTheDaemonHandsOver) {
  EXPECT_EQ(ChooseBackground({false, true, true, false}), BackgroundSource::kHostWallpaper);
  EXPECT_EQ(ChooseBackground({true, true, true, true}), BackgroundSource::kDaemonScreenshot);
  EXPECT_FALSE(ShowsAPicture({}));
  EXPECT_FALSE(ShowsAPicture(std::vector<uint32_t>(64, 0)));
  EXPECT_TRUE(ShowsAPicture({0x336699, 0x336699, 0x336698}));
}

TEST(DesktopPicture, ScalesByNearestPixel) {
  const std::vector<uint32_t> picture{1, 2, 3, 4};  // 2 x 2
  EXPECT_EQ(ScalePicture(picture, 2, 2, 4, 2), (std::vector<uint32_t>{1, 1, 2, 2, 3, 3, 4, 4}));
  EXPECT_EQ(ScalePicture(picture, 2, 2, 1, 1), (std::vector<uint32_t>{1}));
  EXPECT_EQ(ScalePicture(picture, 2, 2, 2, 2), picture);
}

TEST(DesktopPicture, AMismatchedPictureScalesToThePlainBackground) {
  EXPECT_EQ(ScalePicture({1, 2, 3}, 2, 2, 2, 1), (std::vector<uint32_t>{kPlainBackground, kPlainBackground}));
  EXPECT_EQ(ScalePicture({}, 0, 0, 1, 1), (std::vector<uint32_t>{kPlainBackground}));
  EXPECT_TRUE(ScalePicture({1}, 1, 1, 0, 5).empty());
}

}  // namespace
}  // namespace ambervale
