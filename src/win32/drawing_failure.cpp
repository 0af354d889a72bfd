#include "win32/drawing_failure.h"

#include <utility>

namespace ambervale {
namespace {

class LoudTarget final : public DrawTarget {
 public:
  explicit LoudTarget(std::unique_ptr<DrawTarget> target) : target_(std::move(target)) {}

  void DrawScaled(const ArgbBitmap* bitmap, int32_t x, int32_t y, int32_t width, int32_t height) override {
    target_->DrawScaled(bitmap, x, y, width, height);
    if (const int32_t status = target_->LastStatus()) {
      throw DrawingFailure("The leaves could not be drawn on the screen (graphics status " + std::to_string(status) +
                           ")");
    }
  }
  int32_t LastStatus() const override { return target_->LastStatus(); }
  void ClipTo(const Rect& area) override { target_->ClipTo(area); }

 private:
  std::unique_ptr<DrawTarget> target_;
};

}  // namespace

std::unique_ptr<ArgbBitmap> RequireBitmap(std::unique_ptr<ArgbBitmap> bitmap) {
  const int32_t status = bitmap ? bitmap->LastStatus() : 0;
  if (!bitmap || status != 0) {
    throw DrawingFailure("A picture to draw could not be made (graphics status " + std::to_string(status) + ")");
  }
  return bitmap;
}

std::unique_ptr<DrawTarget> FailingLoudly(std::unique_ptr<DrawTarget> target) {
  if (!target) return nullptr;
  return std::make_unique<LoudTarget>(std::move(target));
}

void DrawingFailureGuard::Run(const std::function<void()>& step) {
  if (failed_) return;
  try {
    step();
  } catch (const DrawingFailure& failure) {
    failed_ = true;
    show_message_(failure.what());
    end_run_();
  }
}

}  // namespace ambervale
