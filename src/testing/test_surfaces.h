// In-memory stand-ins for the platform's pictures, for tests, fuzz targets and benchmarks: a
// 24-bit canvas that composites like the drawing target, a target that only records what it
// is asked to draw, and a screen to capture from.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "surfaces/dib.h"
#include "surfaces/drawing.h"
#include "surfaces/memory_surfaces.h"

namespace ambervale {

// A bitmap of one colour.
inline MemoryBitmap Solid(int32_t width, int32_t height, Argb colour) {
  MemoryBitmap bitmap(width, height);
  const std::vector<Argb> pixels(static_cast<size_t>(width) * static_cast<size_t>(height), colour);
  bitmap.PutArgbRows(pixels.data());
  return bitmap;
}

// A 24-bit picture held top row first, three bytes a pixel (blue, green, red).
// Colours pass in and out as 0x00RRGGBB.
class MemoryPicture24 {
 public:
  MemoryPicture24(int32_t width, int32_t height);

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  bool Contains(int32_t x, int32_t y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  // 0 outside the picture.
  uint32_t Pixel(int32_t x, int32_t y) const;
  // Ignored outside the picture.
  void SetPixel(int32_t x, int32_t y, uint32_t rgb);
  void Fill(uint32_t rgb);
  const uint8_t* Row(int32_t y) const { return bytes_.data() + static_cast<size_t>(y) * RowSize(); }
  uint8_t* Row(int32_t y) { return bytes_.data() + static_cast<size_t>(y) * RowSize(); }

 private:
  size_t RowSize() const { return static_cast<size_t>(width_) * 3; }

  int32_t width_ = 0;
  int32_t height_ = 0;
  std::vector<uint8_t> bytes_;
};

// What the screen shows, for the surfaces' screen copy. It copies its top-left pixels itself;
// pixels it does not cover keep their value, and storage of other depths is left alone.
class MemoryScreen : public ScreenSource, public MemoryPicture24 {
 public:
  using MemoryPicture24::MemoryPicture24;
  bool CopyInto(uint8_t* bits, const DibFormat& format) const override;
};

// A drawing target over a 24-bit canvas: each covered pixel becomes src x a + dst x (1 - a),
// with the bitmap resampled to the rectangle by nearest pixel centres and the rectangle
// clipped to the canvas. Draws MemoryBitmap sources; anything else counts as no bitmap.
class MemoryCanvas : public DrawTarget, public MemoryPicture24 {
 public:
  using MemoryPicture24::MemoryPicture24;

  void DrawScaled(const ArgbBitmap* bitmap, int32_t x, int32_t y, int32_t width, int32_t height) override;
  DrawStatus LastStatus() const override { return last_status_; }
  void ClipTo(const Rect& area) override { clip_ = area; }

 private:
  DrawStatus last_status_ = DrawStatus::kOk;
  std::optional<Rect> clip_;
};

// A drawing target that remembers each request and draws nothing (or hands it on).
class RecordingTarget : public DrawTarget {
 public:
  struct DrawCall {
    const ArgbBitmap* bitmap = nullptr;
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    friend bool operator==(const DrawCall&, const DrawCall&) = default;
  };

  explicit RecordingTarget(DrawTarget* forward_to = nullptr) : forward_to_(forward_to) {}

  void DrawScaled(const ArgbBitmap* bitmap, int32_t x, int32_t y, int32_t width, int32_t height) override;
  DrawStatus LastStatus() const override { return forward_to_ ? forward_to_->LastStatus() : DrawStatus::kOk; }
  void ClipTo(const Rect& area) override {
    clip = area;
    if (forward_to_) forward_to_->ClipTo(area);
  }

  std::optional<Rect> clip;

  std::vector<DrawCall> calls;

 private:
  DrawTarget* forward_to_;
};

}  // namespace ambervale
