// Which picture the leaves fall on, and fitting it to a window that changed size.
#pragma once

#include <cstdint>
#include <vector>

namespace ambervale {

enum class BackgroundSource {
  kDaemonScreenshot,  // the picture the daemon saved on its window
  kGrabScreen,        // standalone: what the screen shows before our window is drawn
  kPlain,             // no picture of the screen: the user said no, or none is to be had
};

// A calm, dark slate: what the leaves fall on when no picture of the screen may be shown.
inline constexpr uint32_t kPlainBackground = 0x1E2830;

// `desktop_pictures_allowed` is XScreenSaver's grabDesktopImages. Under the daemon its own
// window covers the screen, so a grab would only see that; without its screenshot the
// background is plain.
BackgroundSource ChooseBackground(bool desktop_pictures_allowed, bool daemon_window, bool screenshot_available);

// Nearest-pixel rescale of a width x height picture (0x00RRGGBB, top row first). A picture
// whose size does not match its pixels, or an empty one, gives the plain background.
std::vector<uint32_t> ScalePicture(const std::vector<uint32_t>& pixels, int32_t width, int32_t height,
                                   int32_t new_width, int32_t new_height);

}  // namespace ambervale
