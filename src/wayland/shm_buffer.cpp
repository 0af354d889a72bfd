#include "wayland/shm_buffer.h"

#include <sys/mman.h>
#include <unistd.h>

namespace ambervale {

std::unique_ptr<ShmBuffer> ShmBuffer::Create(wl_shm* shm, int32_t width, int32_t height, uint32_t format) {
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return nullptr;
  const size_t bytes = size_t{4} * static_cast<size_t>(width) * static_cast<size_t>(height);
  const int fd = memfd_create("ambervale-wayland", MFD_CLOEXEC);
  if (fd < 0) return nullptr;
  void* memory = MAP_FAILED;
  if (ftruncate(fd, static_cast<off_t>(bytes)) == 0)
    memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (memory == MAP_FAILED) {
    close(fd);
    return nullptr;
  }
  std::unique_ptr<ShmBuffer> result(new ShmBuffer(static_cast<uint32_t*>(memory), bytes, width, height));
  wl_shm_pool* pool = wl_shm_create_pool(shm, fd, static_cast<int32_t>(bytes));
  result->buffer_ = wl_shm_pool_create_buffer(pool, 0, width, height, width * 4, format);
  wl_shm_pool_destroy(pool);
  close(fd);
  static const wl_buffer_listener listener = {&ShmBuffer::OnRelease};
  wl_buffer_add_listener(result->buffer_, &listener, result.get());
  return result;
}

ShmBuffer::~ShmBuffer() {
  if (buffer_) wl_buffer_destroy(buffer_);
  munmap(Pixels(), bytes_);
}

void ShmBuffer::OnRelease(void* data, wl_buffer*) { static_cast<ShmBuffer*>(data)->Released(); }

bool CreateBuffers(ShmBufferPair& pair, wl_shm* shm, int32_t width, int32_t height) {
  return pair.Adopt(ShmBuffer::Create(shm, width, height), ShmBuffer::Create(shm, width, height));
}

}  // namespace ambervale
