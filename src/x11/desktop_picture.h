// Which picture the leaves fall on.
#pragma once

#include <cstdint>
#include <vector>

namespace ambervale {

enum class BackgroundSource {
  kDaemonScreenshot,  // the picture the daemon saved on its window
  kHostWallpaper,     // MATE's way: the daemon painted the user's wallpaper in the window it gave us
  kGrabScreen,        // standalone: what the screen shows before our window is drawn
  kPlain,             // no picture of the screen: the user said no, or none is to be had
};

// What is known of the window we are to draw in when the choice is made.
struct BackgroundFacts {
  bool desktop_pictures_allowed = false;  // XScreenSaver's grabDesktopImages
  bool daemon_window = false;             // named by XSCREENSAVER_WINDOW
  bool nested_window = false;             // a child of another window, not a top-level one
  bool screenshot_available = false;      // the daemon's picture of the desktop is on it
};

// XScreenSaver's own window (top-level) covers the screen, so reading it would only see that;
// without its screenshot the background is plain. MATE and xfce4-screensaver hand over a child
// window that already shows the wallpaper: that picture shows nothing the screen held, so it
// needs no consent.
BackgroundSource ChooseBackground(const BackgroundFacts& facts);

// A picture read back from a window before we drew on it. One colour all over (a fresh black
// preview window, a host that painted nothing) is no picture: the leaves fall on the plain
// background instead of on black.
bool ShowsAPicture(const std::vector<uint32_t>& pixels);

}  // namespace ambervale
