#include "linux/wallpaper.h"

#include <gtest/gtest.h>

namespace ambervale {
namespace {

constexpr uint32_t kColour = 0x102030;

// A 4x2 picture whose pixels are 1..8, row by row.
DesktopPicture Numbered(int32_t width = 4, int32_t height = 2) {
  DesktopPicture p{width, height, {}};
  for (int32_t i = 0; i < width * height; ++i) p.pixels.push_back(static_cast<uint32_t>(i + 1));
  return p;
}

std::vector<uint32_t> Place(const DesktopPicture& picture, WallpaperPlacement how, ScreenArea screen,
                            ScreenArea desktop = {}) {
  const DesktopPicture placed = PlaceWallpaper(picture, how, kColour, screen, desktop);
  EXPECT_EQ(placed.pixels.size(), static_cast<size_t>(screen.width) * screen.height);
  return placed.pixels;
}

TEST(Wallpaper, PlacesAsTheDesktopDoes) {
  const uint32_t c = kColour;
  const DesktopPicture p = Numbered();
  // Odd sizes and a screen of another aspect than the picture's.
  EXPECT_EQ(Place(p, WallpaperPlacement::kStretched, {0, 0, 2, 3}), (std::vector<uint32_t>{1, 3, 1, 3, 5, 7}));
  EXPECT_EQ(Place(p, WallpaperPlacement::kScaled, {0, 0, 2, 3}), (std::vector<uint32_t>{c, c, 1, 3, c, c}));
  EXPECT_EQ(Place(p, WallpaperPlacement::kZoom, {0, 0, 3, 3}), (std::vector<uint32_t>{1, 2, 3, 1, 2, 3, 5, 6, 7}));
  EXPECT_EQ(Place(p, WallpaperPlacement::kCentered, {0, 0, 6, 1}), (std::vector<uint32_t>{c, 1, 2, 3, 4, c}));
  EXPECT_EQ(Place(p, WallpaperPlacement::kCentered, {0, 0, 2, 1}), (std::vector<uint32_t>{2, 3}));
  EXPECT_EQ(Place(p, WallpaperPlacement::kTiled, {50, 7, 5, 3}),
            (std::vector<uint32_t>{1, 2, 3, 4, 1, 5, 6, 7, 8, 5, 1, 2, 3, 4, 1}));
  EXPECT_EQ(Place(p, WallpaperPlacement::kNone, {0, 0, 2, 1}), (std::vector<uint32_t>{c, c}));
  // Spanned: one picture over two screens side by side, each its half.
  EXPECT_EQ(Place(p, WallpaperPlacement::kSpanned, {4, 0, 4, 2}, {0, 0, 8, 2}),
            (std::vector<uint32_t>{3, 3, 4, 4, 7, 7, 8, 8}));
  // No picture, or one whose pixels do not match its size: the colour, never a read past the end.
  EXPECT_EQ(Place({}, WallpaperPlacement::kZoom, {0, 0, 2, 1}), (std::vector<uint32_t>{c, c}));
  EXPECT_EQ(Place({5, 5, {1, 2}}, WallpaperPlacement::kTiled, {0, 0, 2, 1}), (std::vector<uint32_t>{c, c}));
}

TEST(Wallpaper, ReadsTheDesktopsSettings) {
  EXPECT_EQ(GnomePlacement("wallpaper"), WallpaperPlacement::kTiled);
  EXPECT_EQ(GnomePlacement("spanned"), WallpaperPlacement::kSpanned);
  EXPECT_FALSE(GnomePlacement("Zoom"));
  EXPECT_EQ(PlasmaPlacement(1), WallpaperPlacement::kScaled);
  EXPECT_EQ(PlasmaPlacement(6), WallpaperPlacement::kCentered);
  EXPECT_EQ(PlasmaPlacement(-3), WallpaperPlacement::kZoom);

  EXPECT_EQ(PathOfUri("file:///usr/share/a%20b.jxl"), "/usr/share/a b.jxl");
  EXPECT_EQ(PathOfUri("file://localhost/w.png"), "/w.png");
  EXPECT_EQ(PathOfUri("/home/u/w.webp"), "/home/u/w.webp");
  for (const char* bad : {"https://x/w.png", "file://host/w.png", "w.png", "file:///a%2", "file:///a%00b", ""})
    EXPECT_FALSE(PathOfUri(bad)) << bad;

  EXPECT_EQ(ParseColour("#023c88"), 0x023C88u);
  EXPECT_EQ(ParseColour("#abc"), 0xAABBCCu);
  EXPECT_EQ(ParseColour(" 30,40,255 "), 0x1E28FFu);
  EXPECT_EQ(ParseColour("30,40,255,128"), 0x1E28FFu);
  for (const char* bad : {"#12345", "#gggggg", "1,2", "1,2,256", "1,2,3,4,5", "1,,3", "red", ""})
    EXPECT_FALSE(ParseColour(bad)) << bad;
}

TEST(Wallpaper, FindsPlasmasWallpaperAndItsBestSize) {
  const char* appletsrc =
      "[Containments][1]\nwallpaperplugin=org.kde.image\n"
      "[Containments][1][Wallpaper][org.kde.image][General]\nFillMode=3\n"  // no image: skipped
      "[Containments][7][Wallpaper][org.kde.image][General]\r\n"
      "Color=1,2,3\r\nFillMode=1\r\nImage=file:///home/u/My%20leaf.png\r\n"
      "[Containments][7][General]\nImage=file:///wrong.png\n";
  const std::optional<PlasmaWallpaper> found = ParsePlasmaWallpaper(appletsrc);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->image, "file:///home/u/My%20leaf.png");
  EXPECT_EQ(found->placement, WallpaperPlacement::kScaled);
  EXPECT_EQ(found->colour, 0x010203u);
  EXPECT_FALSE(ParsePlasmaWallpaper("[Containments][1][Wallpaper][org.kde.image][General]\nFillMode=2\n"));
  EXPECT_FALSE(ParsePlasmaWallpaper("garbage\n=\n[[[\n"));

  const std::vector<std::string> sizes = {"screenshot.png", "1280x800.png", "1920x1080.jpg", "5120x2880.png"};
  EXPECT_EQ(NearestPackageImage(sizes, 1280, 720), "1280x800.png");
  EXPECT_EQ(NearestPackageImage(sizes, 1920, 1200), "1920x1080.jpg");
  EXPECT_EQ(NearestPackageImage({"a.png", "bxc.png"}, 1, 1), "a.png");
  EXPECT_EQ(NearestPackageImage({}, 1, 1), "");

  const char* sizes_xml =
      "<background><static><duration>8640000.0</duration><file>\n"
      "  <size width=\"1920\" height=\"1080\">/a/1920x1080.svg</size>\n"
      "  <size width=\"1280\" height=\"1024\">/a/1280x1024.svg</size>\n</file></static></background>";
  EXPECT_EQ(SlideshowImage(sizes_xml, 1280, 1024), "/a/1280x1024.svg");
  EXPECT_EQ(SlideshowImage(sizes_xml, 1920, 1200), "/a/1920x1080.svg");
  EXPECT_EQ(SlideshowImage("<static><file>\n /b/one.jpg \n</file></static><file>/b/two.jpg</file>", 8, 8),
            "/b/one.jpg");
  for (const char* bad : {"", "<file></file>", "<file>/never closed", "<file><size width=\"1\">", "not xml"})
    EXPECT_FALSE(SlideshowImage(bad, 8, 8)) << bad;
}

}  // namespace
}  // namespace ambervale
