// The bookkeeping of an output's buffers, free of Wayland: what each buffer the display reads
// still lacks of the program's picture, whether the display holds it, and which of two buffers
// the saver draws straight into.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <utility>

#include "surfaces/damage.h"
#include "surfaces/types.h"

namespace ambervale {

// Pixels the display reads (32 bits a pixel, top row first), and what they lack.
class DisplayPixels {
 public:
  DisplayPixels(uint32_t* pixels, int32_t width, int32_t height);
  DisplayPixels(const DisplayPixels&) = delete;
  DisplayPixels& operator=(const DisplayPixels&) = delete;

  uint32_t* Pixels() const { return pixels_; }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  // The display still reads it: attached and not yet released.
  bool Busy() const { return busy_; }
  void MarkAttached() { busy_ = true; }
  void Released() { busy_ = false; }

  // Pixels this buffer holds older than the back buffer's.
  void AddStale(const Damage& areas) { stale_.Add(areas); }
  // Lacks nothing: what changes is drawn straight into it.
  void ClearStale() { stale_.Clear(); }
  // Copies the stale pixels from `source` (same size, top row first) and forgets them.
  void Refresh(const uint32_t* source);

 protected:
  ~DisplayPixels() = default;

 private:
  uint32_t* pixels_;
  int32_t width_;
  int32_t height_;
  bool busy_ = false;
  Damage stale_;  // a fresh buffer lacks everything
};

// An output's two buffers. The saver draws straight into one while the display may read the
// other, and moves to the other once the display has caught up with it, so that a present
// copies only what the other buffer lacks. `Buffer` is a DisplayPixels (ShmBuffer).
template <typename Buffer>
class BufferPair {
 public:
  // Two new buffers of one size; false (and none kept) when either is missing.
  bool Adopt(std::unique_ptr<Buffer> first, std::unique_ptr<Buffer> second) {
    buffers_ = {std::move(first), std::move(second)};
    drawing_ = 0;
    if (buffers_[0] && buffers_[1]) return true;
    buffers_ = {};
    return false;
  }
  // The first buffer, lacking nothing since the saver draws straight into it; null when there
  // is none of this size.
  uint32_t* StartDrawing(int32_t width, int32_t height) {
    drawing_ = 0;
    Buffer* first = buffers_[0].get();
    if (!first || first->Width() != width || first->Height() != height) return nullptr;
    first->ClearStale();
    return first->Pixels();
  }
  // Whether `pixels` (the saver's drawing) are one of ours.
  bool DrawnInPlace(const uint32_t* pixels) const { return buffers_[0] && pixels == buffers_[drawing_]->Pixels(); }
  // What the ticks changed in the buffer drawn into (or in a drawing of its own).
  void Changed(const Damage& changed, const uint32_t* pixels) {
    if (DrawnInPlace(pixels)) return buffers_[1 - drawing_]->AddStale(changed);
    for (auto& buffer : buffers_)
      if (buffer) buffer->AddStale(changed);
  }
  // The buffer to show the saver's `pixels` with, brought up to date; null while the display
  // holds both (the change waits for a release) or there are none.
  Buffer* ToPresent(const uint32_t* pixels) {
    if (DrawnInPlace(pixels)) return buffers_[drawing_].get();
    for (auto& buffer : buffers_) {
      if (!buffer || buffer->Busy()) continue;
      buffer->Refresh(pixels);
      return buffer.get();
    }
    return nullptr;
  }
  // After a present: where the saver draws on, when it moved to the free buffer; else null.
  // While the display holds both, the drawing stays in the one just shown: what it reads then
  // is only newer.
  uint32_t* MoveToFreeBuffer(const uint32_t* pixels) {
    if (!DrawnInPlace(pixels)) return nullptr;
    Buffer& current = *buffers_[drawing_];
    Buffer& other = *buffers_[1 - drawing_];
    if (!current.Busy() || other.Busy()) return nullptr;
    other.Refresh(current.Pixels());
    drawing_ = 1 - drawing_;
    return other.Pixels();
  }

 private:
  std::array<std::unique_ptr<Buffer>, 2> buffers_;
  size_t drawing_ = 0;  // the buffer the saver draws straight into, when it does
};

}  // namespace ambervale
