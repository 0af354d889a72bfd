// Native stand-in for the GDI side of pixel surfaces: storage in memory, a stretch that keeps
// whole rows and columns (never averages, like COLORONCOLOR), so a same-size stretch is an
// exact copy, and a screen copy from a source that copies itself.
#include <vector>

#include "surfaces/dib.h"
#include "surfaces/jpeg_image.h"

namespace ambervale {
namespace {

class MemoryDibStorage : public DibStorage {
 public:
  explicit MemoryDibStorage(const DibFormat& format)
      : format_(format), bytes_(static_cast<size_t>(format.stride) * static_cast<size_t>(format.height)) {}

  uint8_t* Bits() override { return bytes_.data(); }

  void StretchPicture(const Rect& rect, JpegImage& picture) override {
    const DecodedPicture& source = picture.Decoded();
    const int32_t dest_w = rect.Width();
    const int32_t dest_h = rect.Height();
    if (dest_w <= 0 || dest_h <= 0 || source.width <= 0 || source.height <= 0 || format_.depth != 24) return;
    for (int32_t dy = 0; dy < dest_h; ++dy) {
      const int32_t y = rect.top + dy;
      if (y < 0 || y >= format_.height) continue;
      const int32_t sy = static_cast<int32_t>(static_cast<int64_t>(dy) * source.height / dest_h);
      const uint8_t* src_row = source.pixels.data() + static_cast<size_t>(sy) * source.row_bytes;
      uint8_t* dst_row = bytes_.data() + static_cast<size_t>(format_.height - 1 - y) * format_.stride;
      for (int32_t dx = 0; dx < dest_w; ++dx) {
        const int32_t x = rect.left + dx;
        if (x < 0 || x >= format_.width) continue;
        const int32_t sx = static_cast<int32_t>(static_cast<int64_t>(dx) * source.width / dest_w);
        uint8_t* dst = dst_row + static_cast<size_t>(x) * 3;
        if (source.bits == 24) {
          const uint8_t* src = src_row + static_cast<size_t>(sx) * 3;
          dst[0] = src[0];
          dst[1] = src[1];
          dst[2] = src[2];
        } else {
          const uint8_t index = src_row[sx];
          const uint32_t rgb = index < source.palette.size() ? source.palette[index] : 0;
          dst[0] = static_cast<uint8_t>(rgb);
          dst[1] = static_cast<uint8_t>(rgb >> 8);
          dst[2] = static_cast<uint8_t>(rgb >> 16);
        }
      }
    }
  }

  // No platform screen exists here: only a source that copies itself.
  void CopyFromScreen(const ScreenSource& screen) override { screen.CopyInto(bytes_.data(), format_); }

 private:
  DibFormat format_;
  std::vector<uint8_t> bytes_;
};

class MemoryDibBackend : public DibBackend {
 public:
  std::unique_ptr<DibStorage> Allocate(const DibFormat& format) override {
    return std::make_unique<MemoryDibStorage>(format);
  }
};

}  // namespace

DibBackend& DefaultDibBackend() {
  static MemoryDibBackend backend;  // stateless
  return backend;
}

}  // namespace ambervale
