// The ARGB bitmap, the drawing target and the library session over the GDI+ flat API. One
// call per operation; a failing call leaves its status behind and never raises.
#pragma once

#include <windows.h>
#include <objidl.h>  // GDI+ headers need PROPID, which the lean Windows headers leave out
#include <gdiplus.h>

#include <cstdint>

#include "surfaces/drawing.h"

namespace ambervale {

// GdiplusStartup (version 1, no debug callback, background thread and external codecs
// not suppressed) for the object's lifetime. Bitmaps and targets that outlive it skip
// their GDI+ release, so no GDI+ call ever follows the shutdown.
class GdiplusSession {
 public:
  GdiplusSession();
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;
  ~GdiplusSession();

  bool ok() const { return status_ == Gdiplus::Ok; }
  Gdiplus::Status status() const { return status_; }
  // True while a session is running.
  static bool Active();

 private:
  ULONG_PTR token_ = 0;
  Gdiplus::Status status_;
};

// A GDI+ status in the surfaces' words.
DrawStatus DrawStatusOf(Gdiplus::Status status);

class GdiplusBitmap : public ArgbBitmap {
 public:
  // GdipCreateBitmapFromScan0 with stride 0 and no buffer: GDI+ owns the pixels.
  GdiplusBitmap(int32_t width, int32_t height, Gdiplus::PixelFormat format = PixelFormat32bppARGB);
  GdiplusBitmap(const GdiplusBitmap&) = delete;
  GdiplusBitmap& operator=(const GdiplusBitmap&) = delete;
  ~GdiplusBitmap() override;

  int32_t Width() const override { return width_; }
  int32_t Height() const override { return height_; }
  void PutArgb(int32_t x, int32_t y, Argb colour) override;
  // The same pixels as PutArgb of each, through one locked write of the whole bitmap.
  void PutArgbRows(const Argb* pixels) override;
  DrawStatus LastStatus() const override { return last_status_; }

  // Pixel (x, y) as GDI+ keeps it (0 when the read fails).
  Argb GetArgb(int32_t x, int32_t y);
  Gdiplus::GpBitmap* Handle() const { return handle_; }
  Gdiplus::GpImage* Image() const { return handle_; }

 private:
  Gdiplus::Status Keep(Gdiplus::Status status);

  Gdiplus::GpBitmap* handle_ = nullptr;
  int32_t width_ = 0;
  int32_t height_ = 0;
  DrawStatus last_status_ = DrawStatus::kOk;
};

class GdiplusGraphics : public DrawTarget {
 public:
  explicit GdiplusGraphics(HDC dc);
  GdiplusGraphics(const GdiplusGraphics&) = delete;
  GdiplusGraphics& operator=(const GdiplusGraphics&) = delete;
  ~GdiplusGraphics() override;

  // GdipDrawImageRectI with the bitmap's image, or with none when `bitmap` is not a GDI+
  // bitmap (GDI+ then reports the failure).
  void DrawScaled(const ArgbBitmap* bitmap, int32_t x, int32_t y, int32_t width, int32_t height) override;
  DrawStatus LastStatus() const override { return last_status_; }
  void ClipTo(const Rect& area) override;
  // Waits until GDI+ has finished drawing on the device context.
  void Flush();
  Gdiplus::GpGraphics* Handle() const { return handle_; }

 private:
  Gdiplus::Status Keep(Gdiplus::Status status);

  Gdiplus::GpGraphics* handle_ = nullptr;
  DrawStatus last_status_ = DrawStatus::kOk;
};

}  // namespace ambervale
