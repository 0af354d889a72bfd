#include "win32/screen_dc.h"

namespace ambervale {

ScreenDC::ScreenDC() : dc_(GetDC(nullptr)) {}

ScreenDC::~ScreenDC() {
  if (dc_) ReleaseDC(nullptr, dc_);
}

int32_t DeviceColourDepth(HDC dc) { return GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES); }

PictureDepth ScreenPictureDepth() {
  ScreenDC screen;
  if (!screen.Handle()) return PictureDepth::kTrueColour;
  return DeviceColourDepth(screen.Handle()) > 8 ? PictureDepth::kTrueColour : PictureDepth::kPalette236;
}

}  // namespace ambervale
