// A wl_buffer in shared memory, 32 bits a pixel (XRGB8888: the back buffer's own layout), with
// the bookkeeping of what it lacks (DisplayPixels); an output's two of them (ShmBufferPair).
#pragma once

#include <wayland-client.h>

#include <cstdint>
#include <memory>

#include "wayland/buffer_pair.h"

namespace ambervale {

class ShmBuffer final : public DisplayPixels {
 public:
  // Nothing when the memory or the buffer could not be made.
  static std::unique_ptr<ShmBuffer> Create(wl_shm* shm, int32_t width, int32_t height,
                                           uint32_t format = WL_SHM_FORMAT_XRGB8888);
  ~ShmBuffer();

  wl_buffer* Handle() const { return buffer_; }

 private:
  ShmBuffer(uint32_t* pixels, size_t bytes, int32_t width, int32_t height)
      : DisplayPixels(pixels, width, height), bytes_(bytes) {}
  static void OnRelease(void* data, wl_buffer*);

  wl_buffer* buffer_ = nullptr;
  size_t bytes_;
};

using ShmBufferPair = BufferPair<ShmBuffer>;

// Both buffers of `pair` anew; false when there is no shared memory for them.
bool CreateBuffers(ShmBufferPair& pair, wl_shm* shm, int32_t width, int32_t height);

}  // namespace ambervale
