#include "win32/gdiplus_objects.h"

#include <cstring>

#include "win32/gdiplus_api.h"

namespace ambervale {
namespace {

namespace gp = ambervale::gdiplus;

int active_sessions = 0;  // window thread only

}  // namespace

GdiplusSession::GdiplusSession() {
  if (!BindGdiplus().empty()) {
    status_ = Gdiplus::GdiplusNotInitialized;
    return;
  }
  Gdiplus::GdiplusStartupInput input;
  input.GdiplusVersion = 1;
  input.DebugEventCallback = nullptr;
  input.SuppressBackgroundThread = FALSE;
  input.SuppressExternalCodecs = FALSE;
  status_ = gp::GdiplusStartup(&token_, &input, nullptr);
  if (ok()) ++active_sessions;
}

GdiplusSession::~GdiplusSession() {
  if (!ok()) return;
  --active_sessions;
  gp::GdiplusShutdown(token_);
}

bool GdiplusSession::Active() { return active_sessions > 0; }

GdiplusBitmap::GdiplusBitmap(int32_t width, int32_t height, Gdiplus::PixelFormat format) {
  if (Keep(gp::GdipCreateBitmapFromScan0(width, height, 0, format, nullptr, &handle_)) != Gdiplus::Ok) {
    handle_ = nullptr;
    return;
  }
  width_ = width;
  height_ = height;
}

DrawStatus DrawStatusOf(Gdiplus::Status status) {
  switch (status) {
    case Gdiplus::Ok: return DrawStatus::kOk;
    case Gdiplus::InvalidParameter: return DrawStatus::kInvalidParameter;
    case Gdiplus::OutOfMemory: return DrawStatus::kOutOfMemory;
    default: return DrawStatus::kFailed;
  }
}

GdiplusBitmap::~GdiplusBitmap() {
  if (handle_ && GdiplusSession::Active()) gp::GdipDisposeImage(handle_);
}

Gdiplus::Status GdiplusBitmap::Keep(Gdiplus::Status status) {
  if (status != Gdiplus::Ok) last_status_ = DrawStatusOf(status);
  return status;
}

void GdiplusBitmap::PutArgb(int32_t x, int32_t y, Argb colour) { Keep(gp::GdipBitmapSetPixel(handle_, x, y, colour)); }

void GdiplusBitmap::PutArgbRows(const Argb* pixels) {
  if (handle_ == nullptr || pixels == nullptr) {
    Keep(Gdiplus::InvalidParameter);
    return;
  }
  Gdiplus::GpRect whole(0, 0, width_, height_);
  Gdiplus::BitmapData data{};
  if (Keep(gp::GdipBitmapLockBits(handle_, &whole, Gdiplus::ImageLockModeWrite, PixelFormat32bppARGB, &data)) !=
      Gdiplus::Ok) {
    ArgbBitmap::PutArgbRows(pixels);  // the pixel-by-pixel path gives the same result
    return;
  }
  const size_t row_bytes = static_cast<size_t>(width_) * sizeof(Argb);
  for (int32_t y = 0; y < height_; ++y) {
    auto* row = static_cast<uint8_t*>(data.Scan0) + static_cast<ptrdiff_t>(data.Stride) * y;
    std::memcpy(row, pixels + static_cast<size_t>(y) * width_, row_bytes);
  }
  Keep(gp::GdipBitmapUnlockBits(handle_, &data));
}

Argb GdiplusBitmap::GetArgb(int32_t x, int32_t y) {
  Gdiplus::ARGB colour = 0;
  if (Keep(gp::GdipBitmapGetPixel(handle_, x, y, &colour)) != Gdiplus::Ok) return 0;
  return colour;
}

GdiplusGraphics::GdiplusGraphics(HDC dc) {
  if (Keep(gp::GdipCreateFromHDC(dc, &handle_)) != Gdiplus::Ok) handle_ = nullptr;
}

GdiplusGraphics::~GdiplusGraphics() {
  if (handle_ && GdiplusSession::Active()) gp::GdipDeleteGraphics(handle_);
}

Gdiplus::Status GdiplusGraphics::Keep(Gdiplus::Status status) {
  if (status != Gdiplus::Ok) last_status_ = DrawStatusOf(status);
  return status;
}

void GdiplusGraphics::DrawScaled(const ArgbBitmap* bitmap, int32_t x, int32_t y, int32_t width, int32_t height) {
  const auto* source = dynamic_cast<const GdiplusBitmap*>(bitmap);
  Keep(gp::GdipDrawImageRectI(handle_, source ? source->Image() : nullptr, x, y, width, height));
}

void GdiplusGraphics::ClipTo(const Rect& area) {
  Keep(gp::GdipSetClipRectI(handle_, area.left, area.top, area.Width(), area.Height(), Gdiplus::CombineModeReplace));
}

void GdiplusGraphics::Flush() { Keep(gp::GdipFlush(handle_, Gdiplus::FlushIntentionSync)); }

}  // namespace ambervale
