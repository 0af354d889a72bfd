// The ARGB bitmap held in memory: the engine's bitmaps wherever the leaves are blended in
// memory (the composited path on Windows, the Linux hack, the tools). It holds no platform
// code; a bad size or a write outside it stays in its status, as with the platform's bitmaps.
#pragma once

#include <cstdint>
#include <vector>

#include "surfaces/colors.h"
#include "surfaces/drawing.h"

namespace ambervale {

// Largest in-memory picture: keeps a bad size from exhausting memory.
inline constexpr int64_t kMaxMemoryPixels = int64_t{1} << 27;

// True for a size an in-memory picture may take: positive, and no more pixels than the limit.
constexpr bool FitsInMemory(int32_t width, int32_t height) {
  return width > 0 && height > 0 && static_cast<int64_t>(width) * height <= kMaxMemoryPixels;
}

class MemoryBitmap : public ArgbBitmap {
 public:
  // A bad size gives an empty bitmap and a failure status, as the platform would.
  MemoryBitmap(int32_t width, int32_t height);

  int32_t Width() const override { return width_; }
  int32_t Height() const override { return height_; }
  void PutArgb(int32_t x, int32_t y, Argb colour) override;
  void PutArgbRows(const Argb* pixels) override;
  void PutKeyedArgbRows(const Argb* pixels, uint64_t key) override;
  DrawStatus LastStatus() const override { return last_status_; }

  // Pixel (x, y); 0 (transparent black) outside the bitmap.
  Argb Pixel(int32_t x, int32_t y) const;
  const std::vector<Argb>& Pixels() const { return pixels_; }
  // Changes with every write and differs between bitmaps, unless the write was keyed: then it
  // is the key, the same for every bitmap holding those pixels. What a copy made from these
  // pixels remembers to know it is still theirs.
  uint64_t Generation() const { return generation_; }

 private:
  void Changed();

  int32_t width_ = 0;
  int32_t height_ = 0;
  DrawStatus last_status_ = DrawStatus::kOk;
  std::vector<Argb> pixels_;
  uint64_t generation_ = 0;
};

}  // namespace ambervale
