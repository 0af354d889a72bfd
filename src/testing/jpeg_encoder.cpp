#include "testing/jpeg_encoder.h"

#include <cstdlib>

#include "surfaces/jpeg_error_manager.h"

namespace ambervale {
namespace {

// Between setjmp and the cleanup no C++ object with a destructor is made, so the jump
// skips nothing that needs unwinding.
bool Encode(int32_t width, int32_t height, const uint8_t* rgb, int quality, unsigned char** out, unsigned long* size) {
  jpeg_compress_struct info{};
  ReturningErrorManager errors{};
  info.err = InstallReturningErrors(errors);
  if (setjmp(errors.resume)) {
    jpeg_destroy_compress(&info);
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, out, size);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  const size_t row_bytes = static_cast<size_t>(width) * 3;
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<uint8_t*>(rgb) + info.next_scanline * row_bytes;
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return true;
}

}  // namespace

std::vector<uint8_t> EncodeJpeg(int32_t width, int32_t height, std::span<const uint8_t> rgb, int quality) {
  if (width <= 0 || height <= 0 || width > 65500 || height > 65500) return {};
  if (rgb.size() < static_cast<size_t>(width) * static_cast<size_t>(height) * 3) return {};
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  std::vector<uint8_t> result;
  // After a failure the buffer may already have been replaced and freed inside libjpeg, so
  // it is released only after a success (failures need a bad size, refused above).
  if (Encode(width, height, rgb.data(), quality, &buffer, &size)) {
    result.assign(buffer, buffer + size);
    std::free(buffer);  // jpeg_mem_dest's buffer is malloc'ed
  }
  return result;
}

}  // namespace ambervale
