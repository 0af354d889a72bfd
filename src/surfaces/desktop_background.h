// Rules for the picture a saver shows under its leaves when it draws into a window of its
// own: whether a screen capture shows anything, and where a wallpaper goes to fill a monitor.
#pragma once

#include <cstdint>
#include <span>

#include "surfaces/types.h"

namespace ambervale {

// True when every pixel has the same colour (the low 24 bits, 0x00RRGGBB), or there are
// none. A saver that runs on a desktop of its own captures such a picture (all black, or
// the colour of an empty desktop), which says nothing of what the user sees.
bool IsOneColour(std::span<const uint32_t> pixels);

// Where a picture_width x picture_height picture goes so that it fills `area` the way the
// "Fill" wallpaper style does: scaled by one factor until it covers both sides, centred,
// the overflow cut off by the area's edges. A picture without pixels gives the area itself.
Rect FillRect(int32_t picture_width, int32_t picture_height, const Rect& area);

}  // namespace ambervale
