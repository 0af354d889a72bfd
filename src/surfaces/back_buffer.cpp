#include "surfaces/back_buffer.h"

#include <algorithm>
#include <utility>

#include "surfaces/blend.h"
#include "surfaces/memory_surfaces.h"

namespace ambervale {

BackBuffer::BackBuffer(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0 || static_cast<int64_t>(width) * height > kMaxMemoryPixels) return;
  width_ = width;
  height_ = height;
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  pixels_.assign(count, 0);
  background_.assign(count, 0);
}

uint32_t BackBuffer::Pixel(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  return pixels_[static_cast<size_t>(y) * width_ + x];
}

void BackBuffer::SetBackground(std::vector<uint32_t> pixels) {
  if (pixels.size() == background_.size()) background_ = std::move(pixels);
}

void BackBuffer::FillBackground(uint32_t rgb) { std::fill(background_.begin(), background_.end(), rgb & 0xFFFFFF); }

void BackBuffer::Restore() {
  pixels_ = background_;
  MarkAllDirty();
}

void BackBuffer::DrawScaled(const ArgbBitmap* bitmap, int32_t x, int32_t y, int32_t width, int32_t height) {
  const auto* source = dynamic_cast<const MemoryBitmap*>(bitmap);
  if (source == nullptr || source->Width() <= 0 || source->Height() <= 0) {
    last_status_ = kStatusInvalidParameter;
    return;
  }
  if (width <= 0 || height <= 0) return;
  const ClippedSpan span = ClipToPicture(x, y, width, height, width_, height_, clip_);
  if (span.Empty()) return;
  for (int64_t dy = span.first_row; dy < span.end_row; ++dy) {
    const int32_t sy = SourceIndex(dy, height, source->Height());
    uint32_t* row = pixels_.data() + static_cast<size_t>(y + dy) * width_;
    for (int64_t dx = span.first_col; dx < span.end_col; ++dx) {
      const Argb colour = source->Pixel(SourceIndex(dx, width, source->Width()), sy);
      const uint32_t alpha = AlphaOf(colour);
      if (alpha == 0) continue;
      uint32_t& p = row[x + dx];
      const uint32_t r = BlendChannel(RedOf(colour), static_cast<uint8_t>(p >> 16), alpha);
      const uint32_t g = BlendChannel(GreenOf(colour), static_cast<uint8_t>(p >> 8), alpha);
      const uint32_t b = BlendChannel(BlueOf(colour), static_cast<uint8_t>(p), alpha);
      p = (r << 16) | (g << 8) | b;
    }
  }
  Include(Rect{static_cast<int32_t>(x + span.first_col), static_cast<int32_t>(y + span.first_row),
               static_cast<int32_t>(x + span.end_col), static_cast<int32_t>(y + span.end_row)});
}

Rect BackBuffer::TakeDirty() { return std::exchange(dirty_, Rect{}); }

void BackBuffer::Include(const Rect& r) {
  if (r.Width() <= 0 || r.Height() <= 0) return;
  if (dirty_.Width() <= 0 || dirty_.Height() <= 0) {
    dirty_ = r;
    return;
  }
  dirty_ = Rect{std::min(dirty_.left, r.left), std::min(dirty_.top, r.top), std::max(dirty_.right, r.right),
                std::max(dirty_.bottom, r.bottom)};
}

}  // namespace ambervale
