// Pixel-surface storage as DIB sections selected into memory device contexts compatible
// with the screen; stretching and screen copies are GDI's own.
#include <cstring>
#include <memory>

#include "win32/gdi_dib_backend.h"

#include "surfaces/jpeg_image.h"
#include "win32/gdi_handles.h"
#include "win32/screen_dc.h"

namespace ambervale {
namespace {

// `height` positive: bottom-up rows; negative: top-down. A grey ramp fills the colour
// table of 8 bits or less when no palette is given.
DibInfo Describe(int32_t width, int32_t height, int32_t depth, int32_t stride, const uint32_t* palette = nullptr,
                 size_t palette_size = 0) {
  DibInfo info{};
  info.header.biSize = sizeof(BITMAPINFOHEADER);
  info.header.biWidth = width;
  info.header.biHeight = height;
  info.header.biPlanes = 1;
  info.header.biBitCount = static_cast<WORD>(depth);
  info.header.biCompression = BI_RGB;
  info.header.biSizeImage = static_cast<DWORD>(stride) * static_cast<DWORD>(height < 0 ? -height : height);
  if (depth <= 8) {
    const size_t entries = size_t{1} << depth;
    for (size_t i = 0; i < entries; ++i) {
      const uint32_t rgb =
          palette ? (i < palette_size ? palette[i] : 0) : static_cast<uint32_t>(i * 255 / (entries - 1)) * 0x010101u;
      info.colours[i] = RGBQUAD{static_cast<BYTE>(rgb), static_cast<BYTE>(rgb >> 8), static_cast<BYTE>(rgb >> 16), 0};
    }
  }
  return info;
}

// The decoded picture as a GDI bitmap, made once and kept with the picture.
class GdiPicture : public PictureCache {
 public:
  explicit GdiPicture(const DecodedPicture& picture)
      : width_(picture.width), height_(picture.height), section_(Header(picture)) {
    if (!section_.ok()) return;
    const size_t stride = static_cast<size_t>(((picture.bits * picture.width + 31) / 32) * 4);
    for (int32_t y = 0; y < picture.height; ++y)
      std::memcpy(section_.bits() + stride * y, picture.pixels.data() + static_cast<size_t>(picture.row_bytes) * y,
                  static_cast<size_t>(picture.row_bytes));
  }

  bool ok() const { return section_.ok(); }
  HDC dc() const { return section_.dc(); }
  int32_t width() const { return width_; }
  int32_t height() const { return height_; }

 private:
  // Top-down, so the decoded rows copy straight in.
  static DibInfo Header(const DecodedPicture& picture) {
    const int32_t stride = ((picture.bits * picture.width + 31) / 32) * 4;
    return Describe(picture.width, -picture.height, picture.bits, stride, picture.palette.data(),
                    picture.palette.size());
  }

  int32_t width_;
  int32_t height_;
  DibSection section_;
};

class GdiDibStorage : public DibStorage {
 public:
  explicit GdiDibStorage(const DibFormat& format)
      : format_(format), section_(Describe(format.width, format.height, format.depth, format.stride)) {}

  bool ok() const { return section_.ok(); }
  uint8_t* Bits() override { return section_.bits(); }
  void Flush() override { GdiFlush(); }
  HDC dc() const { return section_.dc(); }

  void StretchPicture(const Rect& rect, JpegImage& picture) override {
    const DecodedPicture& decoded = picture.Decoded();
    auto* source = dynamic_cast<GdiPicture*>(picture.platform_cache().get());
    if (source == nullptr) {
      picture.platform_cache() = std::make_unique<GdiPicture>(decoded);
      source = static_cast<GdiPicture*>(picture.platform_cache().get());
    }
    if (!source->ok()) return;
    HDC dc = section_.dc();
    if (StretchQualityFor(DeviceColourDepth(dc), decoded.bits) == StretchQuality::kHalftone) {
      // Halftoning realigns the brush origin; keep it where it was.
      POINT origin{};
      GetBrushOrgEx(dc, &origin);
      SetStretchBltMode(dc, HALFTONE);
      SetBrushOrgEx(dc, origin.x, origin.y, nullptr);
    } else {
      SetStretchBltMode(dc, COLORONCOLOR);
    }
    StretchBlt(dc, rect.left, rect.top, rect.Width(), rect.Height(), source->dc(), 0, 0, source->width(),
               source->height(), SRCCOPY);
  }

  void CopyFromScreen(const ScreenSource& screen) override {
    if (const auto* device = dynamic_cast<const ScreenDC*>(&screen)) {
      BitBlt(section_.dc(), 0, 0, format_.width, format_.height, device->Handle(), 0, 0, SRCCOPY);
    } else {
      GdiFlush();
      screen.CopyInto(section_.bits(), format_);
    }
  }

 private:
  DibFormat format_;
  DibSection section_;
};

class GdiDibBackend : public DibBackend {
 public:
  std::unique_ptr<DibStorage> Allocate(const DibFormat& format) override {
    auto storage = std::make_unique<GdiDibStorage>(format);
    if (!storage->ok()) return nullptr;
    return storage;
  }
};

}  // namespace

HDC DeviceContextOf(Dib& dib) {
  auto* storage = dynamic_cast<GdiDibStorage*>(dib.storage());
  return storage ? storage->dc() : nullptr;
}

DibBackend& DefaultDibBackend() {
  static GdiDibBackend backend;  // stateless
  return backend;
}

}  // namespace ambervale
