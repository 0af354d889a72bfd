#include "wayland/shm_buffer.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace ambervale {

std::unique_ptr<ShmBuffer> ShmBuffer::Create(wl_shm* shm, int32_t width, int32_t height, uint32_t format) {
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return nullptr;
  std::unique_ptr<ShmBuffer> result(new ShmBuffer());
  result->width_ = width;
  result->height_ = height;
  result->bytes_ = size_t{4} * static_cast<size_t>(width) * static_cast<size_t>(height);
  const int fd = memfd_create("ambervale-wayland", MFD_CLOEXEC);
  if (fd < 0) return nullptr;
  void* memory = MAP_FAILED;
  if (ftruncate(fd, static_cast<off_t>(result->bytes_)) == 0)
    memory = mmap(nullptr, result->bytes_, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (memory == MAP_FAILED) {
    close(fd);
    return nullptr;
  }
  result->pixels_ = static_cast<uint32_t*>(memory);
  wl_shm_pool* pool = wl_shm_create_pool(shm, fd, static_cast<int32_t>(result->bytes_));
  result->buffer_ = wl_shm_pool_create_buffer(pool, 0, width, height, width * 4, format);
  wl_shm_pool_destroy(pool);
  close(fd);
  static const wl_buffer_listener listener = {&ShmBuffer::OnRelease};
  wl_buffer_add_listener(result->buffer_, &listener, result.get());
  // A fresh buffer holds nothing of the picture yet.
  result->stale_.Add({0, 0, width, height});
  return result;
}

ShmBuffer::~ShmBuffer() {
  if (buffer_) wl_buffer_destroy(buffer_);
  if (pixels_) munmap(pixels_, bytes_);
}

void ShmBuffer::OnRelease(void* data, wl_buffer*) { static_cast<ShmBuffer*>(data)->busy_ = false; }

void ShmBuffer::Refresh(const uint32_t* source) {
  stale_.ClipTo({0, 0, width_, height_});
  for (const Rect& r : stale_.Parts()) {
    for (int32_t y = r.top; y < r.bottom; ++y) {
      const size_t offset = static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(r.left);
      std::memcpy(pixels_ + offset, source + offset, sizeof(uint32_t) * static_cast<size_t>(r.Width()));
    }
  }
  stale_.Clear();
}

bool ShmBufferPair::Create(wl_shm* shm, int32_t width, int32_t height) {
  for (auto& buffer : buffers_) buffer = ShmBuffer::Create(shm, width, height);
  drawing_ = 0;
  return buffers_[0] && buffers_[1];
}

uint32_t* ShmBufferPair::StartDrawing(int32_t width, int32_t height) {
  drawing_ = 0;
  ShmBuffer* first = buffers_[0].get();
  if (!first || first->Width() != width || first->Height() != height) return nullptr;
  first->ClearStale();
  return first->Pixels();
}

void ShmBufferPair::Changed(const Damage& changed, const uint32_t* pixels) {
  if (DrawnInPlace(pixels)) return buffers_[1 - drawing_]->AddStale(changed);
  for (auto& buffer : buffers_) buffer->AddStale(changed);
}

ShmBuffer* ShmBufferPair::ToPresent(const uint32_t* pixels) {
  if (DrawnInPlace(pixels)) return buffers_[drawing_].get();
  for (auto& buffer : buffers_) {
    if (buffer->Busy()) continue;
    buffer->Refresh(pixels);
    return buffer.get();
  }
  return nullptr;
}

// While the compositor holds both, the drawing stays in the one just shown: what it reads then
// is only newer.
uint32_t* ShmBufferPair::MoveToFreeBuffer(const uint32_t* pixels) {
  if (!DrawnInPlace(pixels)) return nullptr;
  ShmBuffer& current = *buffers_[drawing_];
  ShmBuffer& other = *buffers_[1 - drawing_];
  if (!current.Busy() || other.Busy()) return nullptr;
  other.Refresh(current.Pixels());
  drawing_ = 1 - drawing_;
  return other.Pixels();
}

}  // namespace ambervale
