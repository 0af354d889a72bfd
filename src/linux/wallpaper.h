// The user's wallpaper as GNOME and KDE Plasma draw it: their settings read from text, and the
// picture placed on one screen the way the desktop places it. Free of GLib: the files and the
// settings store are read elsewhere (desktop_sources/).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "linux/scale_picture.h"

namespace ambervale {

enum class WallpaperPlacement {
  kNone,       // no picture: the colour alone
  kTiled,      // at its own size, repeated from the screen's top-left corner
  kCentered,   // at its own size in the middle, the colour around it
  kScaled,     // as large as fits whole, the colour in the bars
  kStretched,  // to the screen's size, whatever its shape
  kZoom,       // as small as covers the screen, the overflow cut off evenly
  kSpanned,    // zoomed over the whole desktop (every screen), each screen its part
};

// A screen's or the whole desktop's area in the compositor's logical coordinates.
struct ScreenArea {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
};

// GNOME's picture-options value ("zoom", "wallpaper", ...); none for an unknown one.
std::optional<WallpaperPlacement> GnomePlacement(std::string_view picture_options);
// Plasma's FillMode number (Qt's Image fill modes); its default, zoom, for an unknown one.
WallpaperPlacement PlasmaPlacement(int32_t fill_mode);

// The file a local URI ("file:///a%20b.jpg") or absolute path names; none for other schemes,
// relative paths or a malformed escape.
std::optional<std::string> PathOfUri(std::string_view uri);
// "#rrggbb", "#rgb" (GNOME) or "r,g,b" (Plasma) as 0x00RRGGBB; none when malformed.
std::optional<uint32_t> ParseColour(std::string_view text);

// Plasma's wallpaper from plasma-org.kde.plasma.desktop-appletsrc: the first desktop
// containment of the image plugin that names an image. None when no containment does.
struct PlasmaWallpaper {
  std::string image;  // a file, a file: URI or a wallpaper package's folder
  WallpaperPlacement placement = WallpaperPlacement::kZoom;
  uint32_t colour = 0x000000;
};
std::optional<PlasmaWallpaper> ParsePlasmaWallpaper(std::string_view appletsrc);

// Of a wallpaper package's images (file names such as "1920x1080.png"), the one whose size is
// nearest to width x height, preferring larger; the first when none is named by its size.
std::string NearestPackageImage(const std::vector<std::string>& names, int32_t width, int32_t height);

// The picture a GNOME background XML (a slideshow, or Debian's sizes of one picture) shows
// first: its first <file>, or of that file's <size> choices the one nearest width x height.
// None when it names no file.
std::optional<std::string> SlideshowImage(std::string_view xml, int32_t width, int32_t height);

// `wallpaper` placed on `screen` (inside `desktop`, the union of all screens), `colour` where
// the picture does not reach: a picture of the screen's logical size. An empty or malformed
// wallpaper gives the colour alone.
DesktopPicture PlaceWallpaper(const DesktopPicture& wallpaper, WallpaperPlacement placement, uint32_t colour,
                              const ScreenArea& screen, const ScreenArea& desktop);

}  // namespace ambervale
