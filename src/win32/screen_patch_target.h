// Drawing on the screen one small patch at a time, for runs that span several monitors.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>

#include "surfaces/drawing.h"
#include "win32/gdi_handles.h"
#include "win32/gdiplus_objects.h"

namespace ambervale {

// Blends each bitmap over the screen through a patch in memory: the screen's pixels under the
// (clipped) rectangle are copied out, GDI+ draws the bitmap over them there, and the patch is
// copied back. GDI's copies reach every monitor of the virtual screen, while GDI+ drawing
// straight on a screen device context is not everywhere bound to reach beyond the primary
// (Wine's stops at the primary's size). The blend is GDI+'s own, as on the screen itself.
class ScreenPatchTarget : public DrawTarget {
 public:
  // `screen` is a device context of the whole screen in virtual-screen coordinates, kept by
  // the caller.
  explicit ScreenPatchTarget(HDC screen) : screen_(screen) {}

  void DrawScaled(const ArgbBitmap* bitmap, int32_t x, int32_t y, int32_t width, int32_t height) override;
  void ClipTo(const Rect& area) override { clip_ = area; }
  DrawStatus LastStatus() const override { return last_status_; }

 private:
  // A patch of at least width x height pixels, or false when none can be made.
  bool EnsurePatch(int32_t width, int32_t height);

  HDC screen_;
  std::optional<Rect> clip_;
  DrawStatus last_status_ = DrawStatus::kOk;
  int32_t patch_width_ = 0;
  int32_t patch_height_ = 0;
  std::unique_ptr<GdiplusGraphics> graphics_;  // declared before the patch: it goes first
  std::unique_ptr<DibSection> patch_;
};

}  // namespace ambervale
