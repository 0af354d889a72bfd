#include "x11/desktop_picture.h"

#include <algorithm>

namespace ambervale {

BackgroundSource ChooseBackground(const BackgroundFacts& facts) {
  if (facts.desktop_pictures_allowed && facts.screenshot_available) return BackgroundSource::kDaemonScreenshot;
  if (facts.daemon_window && facts.nested_window) return BackgroundSource::kHostWallpaper;
  if (!facts.desktop_pictures_allowed || facts.daemon_window) return BackgroundSource::kPlain;
  return BackgroundSource::kGrabScreen;
}

bool ShowsAPicture(const std::vector<uint32_t>& pixels) {
  if (pixels.empty()) return false;
  const uint32_t first = pixels.front();
  return std::any_of(pixels.begin(), pixels.end(), [first](uint32_t pixel) { return pixel != first; });
}

}  // namespace ambervale
