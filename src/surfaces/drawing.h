// The drawing seams: an ARGB bitmap the engine writes pixel by pixel, and a drawing target
// that composites a bitmap scaled into a rectangle. The Windows layer provides them over
// GDI+; native builds use the memory canvas and recording fakes.
#pragma once

#include <atomic>
#include <cstdint>

#include "surfaces/colors.h"
#include "surfaces/types.h"

namespace ambervale {

// How a surface's drawing has gone, in the saver's words: the first failure stays. Each
// platform translates its graphics library's own codes where the call is made.
enum class DrawStatus : uint8_t { kOk, kInvalidParameter, kOutOfMemory, kFailed };

// A number no other call returns in this process: it names one set of pixels (see
// ArgbBitmap::PutKeyedArgbRows), or one state of a bitmap's pixels.
inline uint64_t NewContentKey() {
  static std::atomic<uint64_t> last_key{0};
  return ++last_key;
}

constexpr const char* Describe(DrawStatus status) {
  switch (status) {
    case DrawStatus::kOk: return "no failure";
    case DrawStatus::kInvalidParameter: return "invalid parameter";
    case DrawStatus::kOutOfMemory: return "out of memory";
    case DrawStatus::kFailed: return "the graphics library failed";
  }
  return "unknown";
}

class ArgbBitmap {
 public:
  virtual ~ArgbBitmap() = default;
  virtual int32_t Width() const = 0;
  virtual int32_t Height() const = 0;
  // Pixel (x, y) := colour. Outside the bitmap: no effect (the failure stays in the status).
  virtual void PutArgb(int32_t x, int32_t y, Argb colour) = 0;
  // Bulk write of Width() x Height() pixels, row-major from the top row: the same pixels as
  // PutArgb of each. Implementations override it when the platform has a faster path.
  virtual void PutArgbRows(const Argb* pixels) {
    for (int32_t y = 0; y < Height(); ++y)
      for (int32_t x = 0; x < Width(); ++x) PutArgb(x, y, pixels[static_cast<int64_t>(y) * Width() + x]);
  }
  // As PutArgbRows, for pixels that `key` (from NewContentKey) names: every write under one key
  // carries the same pixels, so a bitmap, or a copy made from it such as a scaled leaf, that
  // already holds them may keep them instead of copying them again.
  virtual void PutKeyedArgbRows(const Argb* pixels, uint64_t key) {
    (void)key;
    PutArgbRows(pixels);
  }
  // The last failure of a platform call on this bitmap (kOk when none failed).
  virtual DrawStatus LastStatus() const { return DrawStatus::kOk; }
};

class DrawTarget {
 public:
  virtual ~DrawTarget() = default;
  // Draws the whole bitmap scaled into (x, y, width, height), source-over by its alpha,
  // clipped to the target. A null bitmap draws nothing.
  virtual void DrawScaled(const ArgbBitmap* bitmap, int32_t x, int32_t y, int32_t width, int32_t height) = 0;
  virtual DrawStatus LastStatus() const { return DrawStatus::kOk; }
  // Keeps every later draw inside the area (target coordinates) until the next call: a
  // leaf at the edge of one monitor must not spill onto its neighbour. A target that cannot
  // clip ignores it.
  virtual void ClipTo(const Rect& area) { (void)area; }
};

}  // namespace ambervale
