// A wl_buffer in shared memory, 32 bits a pixel (XRGB8888: the back buffer's own layout), and
// what it still lacks of the picture the program shows.
#pragma once

#include <wayland-client.h>

#include <array>
#include <cstdint>
#include <memory>

#include "surfaces/damage.h"
#include "surfaces/types.h"

namespace ambervale {

class ShmBuffer {
 public:
  // Nothing when the memory or the buffer could not be made.
  static std::unique_ptr<ShmBuffer> Create(wl_shm* shm, int32_t width, int32_t height,
                                           uint32_t format = WL_SHM_FORMAT_XRGB8888);
  ~ShmBuffer();
  ShmBuffer(const ShmBuffer&) = delete;
  ShmBuffer& operator=(const ShmBuffer&) = delete;

  wl_buffer* Handle() const { return buffer_; }
  uint32_t* Pixels() const { return pixels_; }
  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  // The compositor still reads it: attached and not yet released.
  bool Busy() const { return busy_; }
  void MarkAttached() { busy_ = true; }

  // Pixels this buffer holds older than the back buffer's.
  void AddStale(const Damage& areas) { stale_.Add(areas); }
  // Lacks nothing: what changes is drawn straight into it.
  void ClearStale() { stale_.Clear(); }
  // Copies the stale pixels from `source` (same size, top row first) and forgets them.
  void Refresh(const uint32_t* source);

 private:
  ShmBuffer() = default;
  static void OnRelease(void* data, wl_buffer*);

  wl_buffer* buffer_ = nullptr;
  uint32_t* pixels_ = nullptr;
  size_t bytes_ = 0;
  int32_t width_ = 0;
  int32_t height_ = 0;
  bool busy_ = false;
  Damage stale_;
};

// An output's two buffers. The saver draws straight into one while the compositor may read the
// other, and moves to the other once the compositor has caught up with it, so that a present
// copies only what the other buffer lacks.
class ShmBufferPair {
 public:
  // Both buffers anew; false when there is no shared memory for them.
  bool Create(wl_shm* shm, int32_t width, int32_t height);
  // The first buffer, lacking nothing since the saver draws straight into it; null when it is
  // not of this size.
  uint32_t* StartDrawing(int32_t width, int32_t height);
  // Whether `pixels` (the saver's drawing) are one of ours.
  bool DrawnInPlace(const uint32_t* pixels) const { return buffers_[0] && pixels == buffers_[drawing_]->Pixels(); }
  // What the ticks changed in the buffer drawn into (or in a drawing of its own).
  void Changed(const Damage& changed, const uint32_t* pixels);
  // The buffer to show the saver's `pixels` with, brought up to date; null while the compositor
  // holds both (the change waits for a release).
  ShmBuffer* ToPresent(const uint32_t* pixels);
  // After a present: where the saver draws on, when it moved to the free buffer; else null.
  uint32_t* MoveToFreeBuffer(const uint32_t* pixels);

 private:
  std::array<std::unique_ptr<ShmBuffer>, 2> buffers_;
  size_t drawing_ = 0;  // the buffer the saver draws straight into, when it does
};

}  // namespace ambervale
