#include "linux/desktop_sources/desktop_sources.h"

#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <string>

namespace ambervale {
namespace {

// A Plasma session with no session bus: KWin and the portal fail at once, the wallpaper decides.
class PlasmaWallpaperSource : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/ambervale-sources.XXXXXX";
    folder_ = mkdtemp(pattern);
    setenv("XDG_CONFIG_HOME", folder_.c_str(), 1);
    setenv("XDG_CURRENT_DESKTOP", "KDE", 1);
    setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + folder_ + "/no-bus").c_str(), 1);
  }
  void TearDown() override { std::system(("rm -rf '" + folder_ + "'").c_str()); }

  void Choose(const std::string& image, int fill_mode) {
    std::ofstream(folder_ + "/plasma-org.kde.plasma.desktop-appletsrc")
        << "[Containments][1][Wallpaper][org.kde.image][General]\nFillMode=" << fill_mode << "\nImage=file://" << image
        << "\nColor=0,0,255\n";
  }

  std::string folder_;
};

TEST_F(PlasmaWallpaperSource, AMissingOrUnreadableWallpaperIsNamedAndGivesNothing) {
  for (const char* contents : {"", "not a picture at all"}) {
    const std::string image = folder_ + "/wall.png";
    if (*contents) std::ofstream(image) << contents;
    Choose(image, 2);
    DesktopSources sources;
    EXPECT_TRUE(sources.PictureOf({0, 0, 8, 4}, {0, 0, 8, 4}).pixels.empty());
    const std::string& failures = sources.Failures();
    EXPECT_NE(failures.find("KWin's ScreenShot2: "), std::string::npos) << failures;
    EXPECT_NE(failures.find("the wallpaper: cannot read " + image), std::string::npos) << failures;
  }
}

TEST_F(PlasmaWallpaperSource, AReadableWallpaperIsPlacedOnEachScreen) {
  // 2 x 1: a red and a green pixel, scaled (Plasma's FillMode 1) onto 4 x 4: blue bars above and below.
  GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 2, 1);
  guchar* p = gdk_pixbuf_get_pixels(pixbuf);
  p[0] = 255, p[1] = 0, p[2] = 0, p[3] = 0, p[4] = 255, p[5] = 0;
  const std::string image = folder_ + "/wall.png";
  ASSERT_TRUE(gdk_pixbuf_save(pixbuf, image.c_str(), "png", nullptr, nullptr));
  g_object_unref(pixbuf);
  Choose(image, 1);
  DesktopSources sources;
  const DesktopPicture picture = sources.PictureOf({0, 0, 4, 4}, {0, 0, 4, 4});
  EXPECT_EQ(sources.LastSource(), "the wallpaper");
  ASSERT_EQ(picture.pixels.size(), 16u);
  EXPECT_EQ(picture.pixels[0], 0x0000FFu);
  EXPECT_EQ(picture.pixels[4], 0xFF0000u);
  EXPECT_EQ(picture.pixels[7], 0x00FF00u);
  EXPECT_EQ(sources.PictureOf({4, 0, 4, 4}, {0, 0, 8, 4}).pixels.size(), 16u);  // the file read once, placed again
}

}  // namespace
}  // namespace ambervale
