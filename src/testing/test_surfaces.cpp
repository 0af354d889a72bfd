#include "testing/test_surfaces.h"

#include <algorithm>
#include <cstring>

#include "surfaces/blend.h"

namespace ambervale {

MemoryPicture24::MemoryPicture24(int32_t width, int32_t height) {
  if (!FitsInMemory(width, height)) return;
  width_ = width;
  height_ = height;
  bytes_.assign(RowSize() * static_cast<size_t>(height), 0);
}

uint32_t MemoryPicture24::Pixel(int32_t x, int32_t y) const {
  if (!Contains(x, y)) return 0;
  const uint8_t* p = Row(y) + static_cast<size_t>(x) * 3;
  return (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
}

void MemoryPicture24::SetPixel(int32_t x, int32_t y, uint32_t rgb) {
  if (!Contains(x, y)) return;
  uint8_t* p = Row(y) + static_cast<size_t>(x) * 3;
  p[0] = static_cast<uint8_t>(rgb);
  p[1] = static_cast<uint8_t>(rgb >> 8);
  p[2] = static_cast<uint8_t>(rgb >> 16);
}

void MemoryPicture24::Fill(uint32_t rgb) {
  for (int32_t y = 0; y < height_; ++y)
    for (int32_t x = 0; x < width_; ++x) SetPixel(x, y, rgb);
}

bool MemoryScreen::CopyInto(uint8_t* bits, const DibFormat& format) const {
  if (bits == nullptr || format.depth != 24) return true;
  const int32_t rows = std::min(format.height, Height());
  const size_t row_bytes = static_cast<size_t>(std::min(format.width, Width())) * 3;
  for (int32_t y = 0; y < rows; ++y) {
    // Bottom-up storage: picture row y is memory row height - 1 - y.
    uint8_t* dst = bits + static_cast<size_t>(format.height - 1 - y) * format.stride;
    std::memcpy(dst, Row(y), row_bytes);
  }
  return true;
}

void MemoryCanvas::DrawScaled(const ArgbBitmap* bitmap, int32_t x, int32_t y, int32_t width, int32_t height) {
  const auto* source = dynamic_cast<const MemoryBitmap*>(bitmap);
  if (source == nullptr || source->Width() <= 0 || source->Height() <= 0) {
    last_status_ = DrawStatus::kInvalidParameter;
    return;
  }
  if (width <= 0 || height <= 0) return;
  // Only the part of the rectangle on the canvas is visited.
  const ClippedSpan span = ClipToPicture(x, y, width, height, Width(), Height(), clip_);
  for (int64_t dy = span.first_row; dy < span.end_row; ++dy) {
    const int32_t sy = SourceIndex(dy, height, source->Height());
    uint8_t* row = Row(static_cast<int32_t>(y + dy));
    for (int64_t dx = span.first_col; dx < span.end_col; ++dx) {
      const Argb colour = source->Pixel(SourceIndex(dx, width, source->Width()), sy);
      const uint32_t alpha = AlphaOf(colour);
      if (alpha == 0) continue;
      uint8_t* p = row + static_cast<size_t>(x + dx) * 3;
      p[0] = BlendChannel(BlueOf(colour), p[0], alpha);
      p[1] = BlendChannel(GreenOf(colour), p[1], alpha);
      p[2] = BlendChannel(RedOf(colour), p[2], alpha);
    }
  }
}

void RecordingTarget::DrawScaled(const ArgbBitmap* bitmap, int32_t x, int32_t y, int32_t width, int32_t height) {
  calls.push_back(DrawCall{bitmap, x, y, width, height});
  if (forward_to_) forward_to_->DrawScaled(bitmap, x, y, width, height);
}

}  // namespace ambervale
