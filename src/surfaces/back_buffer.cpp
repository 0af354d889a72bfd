#include "surfaces/back_buffer.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "surfaces/blend.h"
#include "surfaces/memory_surfaces.h"

namespace ambervale {

BackBuffer::BackBuffer(int32_t width, int32_t height) {
  if (!FitsInMemory(width, height)) return;
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

std::optional<Rect> BackBuffer::ToBuffer(const std::optional<Rect>& area) const {
  if (!area) return std::nullopt;
  return Rect{area->left - origin_.x, area->top - origin_.y, area->right - origin_.x, area->bottom - origin_.y};
}

void BackBuffer::Restore(const Rect& area) {
  const Rect r = *ToBuffer(area);
  const int32_t left = std::max(r.left, 0), right = std::min(r.right, width_);
  if (left >= right) return;
  for (int32_t y = std::max(r.top, 0); y < std::min(r.bottom, height_); ++y) {
    const size_t row = static_cast<size_t>(y) * width_;
    std::copy(background_.begin() + row + left, background_.begin() + row + right, pixels_.begin() + row + left);
  }
  Include(Rect{left, std::max(r.top, 0), right, std::min(r.bottom, height_)});
}

void BackBuffer::Restore() {
  pixels_ = background_;
  MarkAllDirty();
}

void BackBuffer::DrawScaled(const ArgbBitmap* bitmap, int32_t x, int32_t y, int32_t width, int32_t height) {
  const auto* source = dynamic_cast<const MemoryBitmap*>(bitmap);
  if (source == nullptr || source->Width() <= 0 || source->Height() <= 0) {
    last_status_ = DrawStatus::kInvalidParameter;
    return;
  }
  if (width <= 0 || height <= 0) return;
  // To buffer pixels; a place too far off to express lies off the buffer anyway.
  const int64_t left = int64_t{x} - origin_.x;
  const int64_t top = int64_t{y} - origin_.y;
  if (left < INT32_MIN || left > INT32_MAX || top < INT32_MIN || top > INT32_MAX) return;
  x = static_cast<int32_t>(left);
  y = static_cast<int32_t>(top);
  const ClippedSpan span = ClipToPicture(x, y, width, height, width_, height_, ToBuffer(clip_));
  if (span.Empty()) return;
  // Every row samples the same source columns: work them out once, not once per pixel.
  source_columns_.resize(static_cast<size_t>(span.end_col - span.first_col));
  for (int64_t dx = span.first_col; dx < span.end_col; ++dx)
    source_columns_[static_cast<size_t>(dx - span.first_col)] = SourceIndex(dx, width, source->Width());
  const Argb* source_pixels = source->Pixels().data();
  for (int64_t dy = span.first_row; dy < span.end_row; ++dy) {
    const Argb* source_row = source_pixels + static_cast<size_t>(SourceIndex(dy, height, source->Height())) * source->Width();
    uint32_t* row = pixels_.data() + static_cast<size_t>(y + dy) * width_ + (x + span.first_col);
    for (size_t i = 0; i < source_columns_.size(); ++i) {
      const Argb colour = source_row[source_columns_[i]];
      const uint32_t alpha = AlphaOf(colour);
      if (alpha == 0) continue;
      uint32_t& p = row[i];
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
