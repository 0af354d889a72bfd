#include "x11/x_refresh.h"

#include <X11/extensions/Xrandr.h>

namespace ambervale {
namespace {

double ModeRate(const XRRScreenResources& resources, RRMode id) {
  for (int i = 0; i < resources.nmode; ++i) {
    const XRRModeInfo& mode = resources.modes[i];
    if (mode.id != id) continue;
    double lines = mode.vTotal;
    if (mode.modeFlags & RR_DoubleScan) lines *= 2;
    if (mode.modeFlags & RR_Interlace) lines /= 2;
    return mode.hTotal > 0 && lines > 0 ? static_cast<double>(mode.dotClock) / (mode.hTotal * lines) : 0;
  }
  return 0;
}

}  // namespace

double WindowRefreshRate(Display* display, Window window) {
  int event_base = 0, error_base = 0;
  if (!XRRQueryExtension(display, &event_base, &error_base)) return 0;
  XWindowAttributes attributes{};
  if (!XGetWindowAttributes(display, window, &attributes)) return 0;
  int x = 0, y = 0;
  Window child = None;
  XTranslateCoordinates(display, window, attributes.root, attributes.width / 2, attributes.height / 2, &x, &y, &child);
  XRRScreenResources* resources = XRRGetScreenResourcesCurrent(display, attributes.root);
  if (resources == nullptr) return 0;
  double rate = 0;
  bool centre_found = false;
  for (int i = 0; i < resources->ncrtc && !centre_found; ++i) {
    XRRCrtcInfo* crtc = XRRGetCrtcInfo(display, resources, resources->crtcs[i]);
    if (crtc == nullptr) continue;
    if (crtc->mode != None) {
      centre_found = x >= crtc->x && y >= crtc->y && x < crtc->x + static_cast<int>(crtc->width) &&
                     y < crtc->y + static_cast<int>(crtc->height);
      if (centre_found || rate == 0) rate = ModeRate(*resources, crtc->mode);
    }
    XRRFreeCrtcInfo(crtc);
  }
  XRRFreeScreenResources(resources);
  return rate;
}

}  // namespace ambervale
