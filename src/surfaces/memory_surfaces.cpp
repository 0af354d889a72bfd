#include "surfaces/memory_surfaces.h"

#include <algorithm>

namespace ambervale {

MemoryBitmap::MemoryBitmap(int32_t width, int32_t height) {
  if (!FitsInMemory(width, height)) {
    last_status_ = width > 0 && height > 0 ? DrawStatus::kOutOfMemory : DrawStatus::kInvalidParameter;
    return;
  }
  width_ = width;
  height_ = height;
  pixels_.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
  Changed();
}

void MemoryBitmap::Changed() { generation_ = NewContentKey(); }

void MemoryBitmap::PutArgb(int32_t x, int32_t y, Argb colour) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) {
    last_status_ = DrawStatus::kInvalidParameter;
    return;
  }
  pixels_[static_cast<size_t>(y) * width_ + x] = colour;
  Changed();
}

void MemoryBitmap::PutArgbRows(const Argb* pixels) {
  if (pixels == nullptr) {
    last_status_ = DrawStatus::kInvalidParameter;
    return;
  }
  std::copy_n(pixels, pixels_.size(), pixels_.begin());
  Changed();
}

void MemoryBitmap::PutKeyedArgbRows(const Argb* pixels, uint64_t key) {
  if (key == generation_) return;  // it holds them already
  PutArgbRows(pixels);
  if (pixels != nullptr) generation_ = key;
}

Argb MemoryBitmap::Pixel(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  return pixels_[static_cast<size_t>(y) * width_ + x];
}

}  // namespace ambervale
