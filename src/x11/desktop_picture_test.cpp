#include "x11/desktop_picture.h"

#include <gtest/gtest.h>

namespace ambervale {
namespace {

TEST(DesktopPicture, ChoosesNoScreenPictureWithoutTheUsersConsent) {
  // Facts: desktop pictures allowed, daemon window, nested window, screenshot available.
  for (bool daemon : {false, true})
    for (bool screenshot : {false, true})
      EXPECT_EQ(ChooseBackground({false, daemon, false, screenshot}), BackgroundSource::kPlain);
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

}  // namespace
}  // namespace ambervale
