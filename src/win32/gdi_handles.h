// Owners for GDI handles: each frees its handle once, and a selection puts the device
// context's previous object back before the selected one is deleted.
#pragma once

#include <windows.h>

#include <cstdint>

namespace ambervale {

// Owns one handle and frees it with `Free` once, at the end of its life.
template <typename Handle, auto Free>
class UniqueGdiHandle {
 public:
  explicit UniqueGdiHandle(Handle handle = nullptr) : handle_(handle) {}
  UniqueGdiHandle(const UniqueGdiHandle&) = delete;
  UniqueGdiHandle& operator=(const UniqueGdiHandle&) = delete;
  ~UniqueGdiHandle() {
    if (handle_) Free(handle_);
  }
  Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  Handle handle_;
};

using UniqueDc = UniqueGdiHandle<HDC, &DeleteDC>;
using UniqueGdiObject = UniqueGdiHandle<HGDIOBJ, &DeleteObject>;

// Selects an object into a device context for the owner's lifetime. Declare it after the
// owners of the context and the object, so that it is undone first.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(dc && object ? SelectObject(dc, object) : nullptr) {}
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;
  ~Selection() {
    if (previous_ && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
  }
  bool ok() const { return previous_ != nullptr && previous_ != HGDI_ERROR; }

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// A BITMAPINFO with room for the largest colour table (8 bits).
struct DibInfo {
  BITMAPINFOHEADER header;
  RGBQUAD colours[256];
};

// A 32-bit top-down DIB: the back buffer's own pixel layout, top row first.
inline DibInfo TopDownInfo(int32_t width, int32_t height) {
  DibInfo info{};
  info.header.biSize = sizeof info.header;
  info.header.biWidth = width;
  info.header.biHeight = -height;
  info.header.biPlanes = 1;
  info.header.biBitCount = 32;
  info.header.biCompression = BI_RGB;
  return info;
}

// A memory device context compatible with the screen holding one DIB section.
class DibSection {
 public:
  // `info` describes the section (with its colour table for 8 bits or less). On failure
  // ok() is false and nothing is held.
  explicit DibSection(const DibInfo& info)
      : dc_(CreateCompatibleDC(nullptr)),
        bitmap_(dc_ ? CreateDIBSection(dc_.get(), reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits_,
                                       nullptr, 0)
                    : nullptr),
        selection_(dc_.get(), bitmap_.get()) {}
  DibSection(const DibSection&) = delete;
  DibSection& operator=(const DibSection&) = delete;

  bool ok() const { return dc_ && bitmap_ && bits_ != nullptr && selection_.ok(); }
  HDC dc() const { return dc_.get(); }
  uint8_t* bits() const { return static_cast<uint8_t*>(bits_); }

 private:
  void* bits_ = nullptr;  // set by CreateDIBSection, before the members below it are built
  UniqueDc dc_;
  UniqueGdiObject bitmap_;
  Selection selection_;
};

}  // namespace ambervale
