#include "linux/buffered_run.h"

#include <utility>

#include "assets/leaves/leaf_pictures.h"
#include "base/errors.h"
#include "linux/scale_picture.h"
#include "surfaces/memory_surfaces.h"

namespace ambervale {
namespace {

// The engine owns its drawing target; the buffer behind it is replaced on a resize.
class BufferTarget : public DrawTarget {
 public:
  explicit BufferTarget(std::unique_ptr<BackBuffer>& buffer) : buffer_(buffer) {}
  void DrawScaled(const ArgbBitmap* bitmap, int32_t x, int32_t y, int32_t width, int32_t height) override {
    buffer_->DrawScaled(bitmap, x, y, width, height);
  }
  DrawStatus LastStatus() const override { return buffer_->LastStatus(); }

 private:
  std::unique_ptr<BackBuffer>& buffer_;
};

}  // namespace

BufferedRun::BufferedRun(const Settings& settings, TimeOfDay start_time, RunRules rules)
    : settings_(settings),
      start_time_(start_time),
      leaves_(LeafImageSet::PictureSource(LeafPictureBytes)),
      run_(state_, leaves_, *this, nullptr, rules),
      buffer_(std::make_unique<BackBuffer>(0, 0)) {
  state_.run_mode = RunMode::kFullScreen;
}

BufferedRun::~BufferedRun() = default;

std::unique_ptr<DrawTarget> BufferedRun::CreateDrawTarget() { return std::make_unique<BufferTarget>(buffer_); }

std::unique_ptr<ArgbBitmap> BufferedRun::CreateBitmap(int32_t width, int32_t height) {
  return std::make_unique<MemoryBitmap>(width, height);
}

void BufferedRun::SetBuffer(int32_t width, int32_t height, std::vector<uint32_t> background,
                            std::vector<Rect> screens) {
  buffer_ = std::make_unique<BackBuffer>(width, height, pixel_memory_ ? pixel_memory_(width, height) : nullptr);
  screens_ = screens.empty() ? std::vector<Rect>{Rect{0, 0, buffer_->Width(), buffer_->Height()}} : std::move(screens);
  const size_t count = static_cast<size_t>(buffer_->Width()) * static_cast<size_t>(buffer_->Height());
  if (background.size() == count) {
    buffer_->SetBackground(std::move(background));
  } else {
    buffer_->FillBackground(kPlainBackground);
  }
  buffer_->Restore();
  present_whole_ = true;
}

void BufferedRun::Start(int32_t width, int32_t height, std::vector<uint32_t> background, std::vector<Rect> screens) {
  SetBuffer(width, height, std::move(background), std::move(screens));
  // Only a preview's start-up fails without raising (its window is gone); this is none.
  if (!run_.Start(start_time_)) throw AmbervaleError("the saver's start-up failed");
}

std::vector<uint32_t> BufferedRun::FittedBackground(int32_t width, int32_t height) const {
  return ScalePicture(std::as_const(*buffer_).Background(), buffer_->Width(), buffer_->Height(), width, height);
}

void BufferedRun::Resize(int32_t width, int32_t height, std::vector<uint32_t> background, std::vector<Rect> screens) {
  SetBuffer(width, height, std::move(background), std::move(screens));
  run_.FollowScreens();
}

SaverRun::Wake BufferedRun::Advance(MonotonicTime now) {
  SaverRun::Wake wake = run_.Advance(now);
  const Rect whole{0, 0, buffer_->Width(), buffer_->Height()};
  if (std::exchange(present_whole_, false)) {
    wake.changed.Clear();
    wake.changed.Add(whole);
  }
  wake.changed.ClipTo(whole);
  return wake;
}

}  // namespace ambervale
