#include "x11/x_refresh.h"

#include <X11/extensions/Xrandr.h>

#include <algorithm>

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

std::vector<Rect> WindowMonitors(Display* display, Window window) {
  int event_base = 0, error_base = 0;
  XWindowAttributes attributes{};
  if (!XRRQueryExtension(display, &event_base, &error_base) || !XGetWindowAttributes(display, window, &attributes))
    return {};
  int left = 0, top = 0;
  Window child = None;
  XTranslateCoordinates(display, window, attributes.root, 0, 0, &left, &top, &child);
  int count = 0;
  XRRMonitorInfo* monitors = XRRGetMonitors(display, attributes.root, True, &count);
  std::vector<Rect> areas;
  for (int i = 0; i < count; ++i) {
    const XRRMonitorInfo& m = monitors[i];
    Rect area{std::max(m.x - left, 0), std::max(m.y - top, 0), std::min(m.x + m.width - left, attributes.width),
              std::min(m.y + m.height - top, attributes.height)};
    if (area.Width() > 0 && area.Height() > 0) areas.push_back(area);
  }
  if (monitors) XRRFreeMonitors(monitors);
  if (areas.size() < 2) areas.clear();
  return areas;
}

}  // namespace ambervale
