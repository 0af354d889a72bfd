// The settings dialog is laid out in pixels of a 96-DPI screen; on a denser screen every
// position, size and the font grow with the screen's DPI, rounded as Windows' MulDiv rounds.
#pragma once

#include <cstdint>

namespace ambervale {

inline constexpr int32_t kDesignDpi = 96;

// value x dpi / 96, rounded to the nearest integer, halves away from zero.
int32_t ScaleToDpi(int32_t value, int32_t dpi);

}  // namespace ambervale
