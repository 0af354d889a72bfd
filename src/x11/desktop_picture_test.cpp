#include "x11/desktop_picture.h"

#include <gtest/gtest.h>

namespace ambervale {
namespace {

BackgroundSource Choose(bool allowed, bool daemon, bool nested, bool screenshot) {
  return ChooseBackground({allowed, daemon, nested, screenshot});
}

TEST(DesktopPicture, ChoosesNoScreenPictureWithoutTheUsersConsent) {
  for (bool daemon : {false, true})
    for (bool screenshot : {false, true}) EXPECT_EQ(Choose(false, daemon, false, screenshot), BackgroundSource::kPlain);
  // A preview window nested in the settings app is no daemon window: without consent, plain.
  EXPECT_EQ(Choose(false, false, true, false), BackgroundSource::kPlain);
  EXPECT_EQ(Choose(true, true, false, true), BackgroundSource::kDaemonScreenshot);
  EXPECT_EQ(Choose(true, true, false, false), BackgroundSource::kPlain);
  EXPECT_EQ(Choose(true, false, false, false), BackgroundSource::kGrabScreen);
  EXPECT_EQ(Choose(true, false, true, true), BackgroundSource::kDaemonScreenshot);
}

TEST(DesktopPicture, TakesTheWallpaperFromAChildWindowTheDaemonHandsOver) {
  for (bool allowed : {false, true}) EXPECT_EQ(Choose(allowed, true, true, false), BackgroundSource::kHostWallpaper);
  // Where the user allows it, the daemon's own picture of the desktop is still the better one.
  EXPECT_EQ(Choose(true, true, true, true), BackgroundSource::kDaemonScreenshot);
}

TEST(DesktopPicture, OneColourAllOverIsNoPicture) {
  EXPECT_FALSE(ShowsAPicture({}));
  EXPECT_FALSE(ShowsAPicture(std::vector<uint32_t>(64, 0)));
  EXPECT_FALSE(ShowsAPicture(std::vector<uint32_t>(64, 0x336699)));
  std::vector<uint32_t> wallpaper(64, 0x336699);
  wallpaper.back() = 0x336698;
  EXPECT_TRUE(ShowsAPicture(wallpaper));
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
