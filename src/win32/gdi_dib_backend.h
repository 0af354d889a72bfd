// The Windows pixel-surface storage: DIB sections selected into memory device contexts.
#pragma once

#include <windows.h>

#include "surfaces/dib.h"

namespace ambervale {

// The memory device context the surface's storage is selected into; null for an empty
// surface or storage of another backend.
HDC DeviceContextOf(Dib& dib);

}  // namespace ambervale
