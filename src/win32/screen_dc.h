// The screen as a source for Dib::CopyFromScreen, and the picture depth the screen asks for.
#pragma once

#include <windows.h>

#include "surfaces/dib.h"
#include "surfaces/jpeg_image.h"

namespace ambervale {

class ScreenDC : public ScreenSource {
 public:
  // The whole screen's device context (GetDC with no window), released with the object.
  ScreenDC();
  ScreenDC(const ScreenDC&) = delete;
  ScreenDC& operator=(const ScreenDC&) = delete;
  ~ScreenDC() override;

  HDC Handle() const { return dc_; }

 private:
  HDC dc_;
};

// Colour depth of a device context: bits per pixel x planes.
int32_t DeviceColourDepth(HDC dc);

// How pictures are decoded on this screen: true colour above 8 bits, a 236-colour palette
// at 8 bits or less.
PictureDepth ScreenPictureDepth();

}  // namespace ambervale
