// TDIB, the pixel surface: a device-independent bitmap with its size-change rules and
// bottom-up row addressing. The storage and the three GDI operations (stretch, screen copy,
// flush) come from a DibBackend: DIB sections and GDI on Windows, memory and a
// pixel-dropping stand-in natively.
#pragma once

#include <cstdint>
#include <memory>

#include "surfaces/colors.h"
#include "surfaces/types.h"

namespace ambervale {

class TJPEGImage;

// Something CopyFromScreen copies from: the screen's device context on Windows.
class ScreenSource {
 public:
  virtual ~ScreenSource() = default;
};

struct DibFormat {
  int32_t width = 0;
  int32_t height = 0;
  int32_t depth = 0;
  int32_t stride = 0;  // ((depth x width + 31) div 32) x 4
};

// One block of surface storage, bottom-up: the picture's last row first in memory.
class DibStorage {
 public:
  virtual ~DibStorage() = default;
  virtual uint8_t* Bits() = 0;
  // Completes pending drawing so that Bits() holds what was drawn.
  virtual void Flush() {}
  // Draws the whole picture scaled into rect of this storage.
  virtual void StretchPicture(const Rect& rect, TJPEGImage& picture) = 0;
  // Copies the screen's top-left width x height pixels to (0, 0).
  virtual void CopyFromScreen(const ScreenSource& screen) = 0;
};

class DibBackend {
 public:
  virtual ~DibBackend() = default;
  // New storage of the given format, or null when the platform cannot make it.
  virtual std::unique_ptr<DibStorage> Allocate(const DibFormat& format) = 0;
};

// The build's own backend (Windows: DIB sections; native: memory).
DibBackend& DefaultDibBackend();

class TDIB {
 public:
  explicit TDIB(DibBackend& backend = DefaultDibBackend());
  TDIB(const TDIB&) = delete;
  TDIB& operator=(const TDIB&) = delete;
  ~TDIB();

  void SetDepth(int32_t bits);
  void SetDibWidth(int32_t width);
  void SetDibHeight(int32_t height);

  int32_t Width() const { return format_.width; }
  int32_t Height() const { return format_.height; }
  int32_t Depth() const { return format_.depth; }
  int32_t Stride() const { return format_.stride; }
  bool Empty() const { return storage_ == nullptr; }

  // Writes pixel (x, y), y from the top; ignored outside the surface.
  void PutPixel(int32_t x, int32_t y, ColorRef colour);
  // Row y from the top: Width() pixels of blue, green, red. Flushes pending drawing first.
  // Raises EInvalidGraphicOperation when y is outside 0..Height()-1.
  const uint8_t* RowBytes(int32_t y);
  void StretchPicture(const Rect& rect, TJPEGImage& picture);
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
