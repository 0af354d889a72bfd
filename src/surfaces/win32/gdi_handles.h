// Owners for GDI handles: each frees its handle once, and a selection puts the device
// context's previous object back before the selected one is deleted.
#pragma once

#include <windows.h>

#include <cstdint>

namespace ambervale {

class UniqueDc {
 public:
  explicit UniqueDc(HDC dc = nullptr) : dc_(dc) {}
  UniqueDc(const UniqueDc&) = delete;
  UniqueDc& operator=(const UniqueDc&) = delete;
  ~UniqueDc() {
    if (dc_) DeleteDC(dc_);
  }
  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HDC dc_;
};

class UniqueGdiObject {
 public:
  explicit UniqueGdiObject(HGDIOBJ object = nullptr) : object_(object) {}
  UniqueGdiObject(const UniqueGdiObject&) = delete;
  UniqueGdiObject& operator=(const UniqueGdiObject&) = delete;
  ~UniqueGdiObject() {
    if (object_) DeleteObject(object_);
  }
  HGDIOBJ get() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }

 private:
  HGDIOBJ object_;
};

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
