#include "icon_file.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>

namespace leafgen {
namespace {

cairo_status_t AppendBytes(void* closure, const unsigned char* data, unsigned int length) {
  auto* out = static_cast<std::vector<uint8_t>*>(closure);
  out->insert(out->end(), data, data + length);
  return CAIRO_STATUS_SUCCESS;
}

void PutLittleEndian(std::vector<uint8_t>& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace

std::vector<uint8_t> EncodeTransparentPng(const RenderedPicture& picture) {
  const int size = picture.size;
  cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, size, size);
  cairo_surface_flush(image);
  unsigned char* data = cairo_image_surface_get_data(image);
  const int stride = cairo_image_surface_get_stride(image);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const size_t i = static_cast<size_t>(y) * size + x;
      // Drawn on black, the picture is already the leaf's colour times its coverage: the
      // premultiplied form cairo keeps, each channel no larger than the alpha.
      const uint32_t alpha = static_cast<uint32_t>(std::lround(std::clamp(picture.coverage[i], 0.0f, 1.0f) * 255));
      uint32_t pixel = alpha << 24;
      for (int c = 0; c < 3; ++c) pixel |= std::min<uint32_t>(picture.rgb[i * 3 + c], alpha) << (16 - 8 * c);
      reinterpret_cast<uint32_t*>(data + y * stride)[x] = pixel;
    }
  cairo_surface_mark_dirty(image);
  std::vector<uint8_t> png;
  if (cairo_surface_write_to_png_stream(image, AppendBytes, &png) != CAIRO_STATUS_SUCCESS) png.clear();
  cairo_surface_destroy(image);
  return png;
}

std::vector<uint8_t> IconFile(const std::vector<int>& sizes, const std::vector<std::vector<uint8_t>>& pngs) {
  std::vector<uint8_t> out;
  PutLittleEndian(out, 0, 2);  // reserved
  PutLittleEndian(out, 1, 2);  // an icon
  PutLittleEndian(out, static_cast<uint32_t>(pngs.size()), 2);
  uint32_t offset = static_cast<uint32_t>(6 + 16 * pngs.size());
  for (size_t i = 0; i < pngs.size(); ++i) {
    const uint8_t side = sizes[i] >= 256 ? 0 : static_cast<uint8_t>(sizes[i]);  // 0 stands for 256
    out.insert(out.end(), {side, side, 0, 0});                                  // no palette, reserved
    PutLittleEndian(out, 1, 2);                                                 // planes
    PutLittleEndian(out, 32, 2);                                                // bits per pixel
    PutLittleEndian(out, static_cast<uint32_t>(pngs[i].size()), 4);
    PutLittleEndian(out, offset, 4);
    offset += static_cast<uint32_t>(pngs[i].size());
  }
  for (const auto& png : pngs) out.insert(out.end(), png.begin(), png.end());
  return out;
}

}  // namespace leafgen
