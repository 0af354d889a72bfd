#include "win32/screen_patch_target.h"

#include <algorithm>

namespace ambervale {

bool ScreenPatchTarget::EnsurePatch(int32_t width, int32_t height) {
  if (patch_ && width <= patch_width_ && height <= patch_height_) return true;
  // Grown to the largest cell seen so far, so a run makes it once or twice.
  const int32_t new_width = std::max(width, patch_width_);
  const int32_t new_height = std::max(height, patch_height_);
  graphics_.reset();
  patch_ = std::make_unique<DibSection>(TopDownInfo(new_width, new_height));
  if (!patch_->ok()) {
    patch_.reset();
    patch_width_ = patch_height_ = 0;
    return false;
  }
  patch_width_ = new_width;
  patch_height_ = new_height;
  graphics_ = std::make_unique<GdiplusGraphics>(patch_->dc());
  return true;
}

void ScreenPatchTarget::DrawScaled(const ArgbBitmap* bitmap, int32_t x, int32_t y, int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return;
  Rect area{x, y, x + width, y + height};
  if (clip_) {
    area = Rect{std::max(area.left, clip_->left), std::max(area.top, clip_->top), std::min(area.right, clip_->right),
                std::min(area.bottom, clip_->bottom)};
  }
  if (area.Width() <= 0 || area.Height() <= 0) return;
  if (!EnsurePatch(area.Width(), area.Height())) {
    last_status_ = DrawStatus::kOutOfMemory;
    return;
  }
  HDC patch = patch_->dc();
  BitBlt(patch, 0, 0, area.Width(), area.Height(), screen_, area.left, area.top, SRCCOPY);
  graphics_->DrawScaled(bitmap, x - area.left, y - area.top, width, height);
  graphics_->Flush();
  if (graphics_->LastStatus() != DrawStatus::kOk) last_status_ = graphics_->LastStatus();
  BitBlt(screen_, area.left, area.top, area.Width(), area.Height(), patch, 0, 0, SRCCOPY);
}

}  // namespace ambervale
