#include "win32/settings/dialog_scale.h"

namespace ambervale {

int32_t ScaleToDpi(int32_t value, int32_t dpi) {
  const int64_t product = static_cast<int64_t>(value) * dpi;
  const int64_t half = kDesignDpi / 2;
  return static_cast<int32_t>((product >= 0 ? product + half : product - half) / kDesignDpi);
}

}  // namespace ambervale
