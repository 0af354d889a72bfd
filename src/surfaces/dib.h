// Dib, the pixel surface: a device-independent bitmap with its size-change rules and
// bottom-up row addressing. The storage and its three operations (stretch, screen copy,
// flush) come from a DibBackend: DIB sections and GDI on Windows, memory and a
// pixel-dropping stand-in natively.
#pragma once

#include <cstdint>
#include <memory>

#include "surfaces/colors.h"
#include "surfaces/types.h"

namespace ambervale {

class JpegImage;

struct DibFormat {
  int32_t width = 0;
  int32_t height = 0;
  int32_t depth = 0;
  int32_t stride = 0;  // ((depth x width + 31) div 32) x 4
};

// Something CopyFromScreen copies from: the screen's device context on Windows (ScreenDC),
// which the platform's backend copies, or a picture that copies itself into any backend's
// storage (the tests' in-memory screen).
class ScreenSource {
 public:
  virtual ~ScreenSource() = default;
  // Copies the source's top-left pixels into bottom-up storage of the given format; false
  // when the source leaves the copy to the backend.
  virtual bool CopyInto(uint8_t* bits, const DibFormat& format) const {
    (void)bits;
    (void)format;
    return false;
  }
};

// One block of surface storage, bottom-up: the picture's last row first in memory.
class DibStorage {
 public:
  virtual ~DibStorage() = default;
  virtual uint8_t* Bits() = 0;
  // Completes pending drawing so that Bits() holds what was drawn.
  virtual void Flush() {}
  // Draws the whole picture scaled into rect of this storage.
  virtual void StretchPicture(const Rect& rect, JpegImage& picture) = 0;
  // Copies the screen's top-left width x height pixels to (0, 0).
  virtual void CopyFromScreen(const ScreenSource& screen) = 0;
};

class DibBackend {
 public:
  virtual ~DibBackend() = default;
  // New storage of the given format, or null when the platform cannot make it.
  virtual std::unique_ptr<DibStorage> Allocate(const DibFormat& format) = 0;
};

// How a picture is scaled onto a surface: whole rows and columns dropped or repeated, or
// halftoned (dithered to the surface's fewer colours).
enum class StretchQuality { kDropPixels, kHalftone };

// The quality for drawing a picture of `picture_bits` onto a device of `device_depth` bits:
// halftoning only when the device has 8 bits or less and fewer than the picture.
constexpr StretchQuality StretchQualityFor(int32_t device_depth, int32_t picture_bits) {
  return device_depth <= 8 && device_depth < picture_bits ? StretchQuality::kHalftone : StretchQuality::kDropPixels;
}

// The build's own backend (Windows: DIB sections; native: memory).
DibBackend& DefaultDibBackend();

class Dib {
 public:
  explicit Dib(DibBackend& backend = DefaultDibBackend());
  Dib(const Dib&) = delete;
  Dib& operator=(const Dib&) = delete;
  ~Dib();

  // Size changes follow one rule: new storage replaces the old unless width, height and
  // depth are all unchanged; a width or height of 0 or less empties the surface. An empty
  // surface given a depth becomes 1 x 1; given a width or height alone it becomes w x 1 or
  // 1 x h at depth 8. A depth other than 1, 4, 8, 16, 24 or 32 raises
  // InvalidGraphicOperation; storage the platform cannot make raises OutOfResources and
  // the old storage stays.
  void SetDepth(int32_t bits);
  void SetDibWidth(int32_t width);
  void SetDibHeight(int32_t height);

  int32_t Width() const { return format_.width; }
  int32_t Height() const { return format_.height; }
  int32_t Depth() const { return format_.depth; }
  int32_t Stride() const { return format_.stride; }
  bool Empty() const { return storage_ == nullptr; }

  // Writes pixel (x, y), y from the top; ignored outside the surface and on surfaces of
  // fewer than 24 bits.
  void PutPixel(int32_t x, int32_t y, Rgb colour);
  // Row y from the top: Width() pixels of blue, green, red. Flushes pending drawing first.
  // Raises InvalidGraphicOperation when y is outside 0..Height()-1.
  const uint8_t* RowBytes(int32_t y);
  // Both do nothing on an empty surface. StretchPicture decodes the picture at first use
  // (JpegError for bad data).
  void StretchPicture(const Rect& rect, JpegImage& picture);
  void CopyFromScreen(const ScreenSource& screen);

  DibStorage* storage() { return storage_.get(); }

 private:
  void Resize(int32_t width, int32_t height, int32_t depth);
  uint8_t* Row(int32_t y);

  DibBackend* backend_;
  DibFormat format_;
  std::unique_ptr<DibStorage> storage_;
  uint8_t* top_row_ = nullptr;
  int32_t row_step_ = 0;
};

}  // namespace ambervale
