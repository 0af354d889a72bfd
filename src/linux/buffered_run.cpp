#include "linux/buffered_run.h"

#include <utility>

#include "assets/leaves/leaf_pictures.h"
#include "base/errors.h"
#include "linux/scale_picture.h"
#include "surfaces/memory_surfaces.h"

namespace ambervale {
namespace {

Rect AreaOf(const BackBuffer& pane) {
  const Point at = pane.Origin();
  return {at.x, at.y, at.x + pane.Width(), at.y + pane.Height()};
}

// The engine owns its drawing target; the buffers behind it are replaced on a resize. A draw
// goes to every pane it touches, each clipping it to its own area.
class PanesTarget : public DrawTarget {
 public:
  explicit PanesTarget(std::vector<std::unique_ptr<BackBuffer>>& panes) : panes_(panes) {}
  void DrawScaled(const ArgbBitmap* bitmap, int32_t x, int32_t y, int32_t width, int32_t height) override {
    const Rect drawn{x, y, x + width, y + height};
    for (auto& pane : panes_)
      if (Intersection(drawn, AreaOf(*pane)).Width() > 0) pane->DrawScaled(bitmap, x, y, width, height);
  }
  DrawStatus LastStatus() const override {
    for (const auto& pane : panes_)
      if (pane->LastStatus() != DrawStatus::kOk) return pane->LastStatus();
    return DrawStatus::kOk;
  }

 private:
  std::vector<std::unique_ptr<BackBuffer>>& panes_;
};

}  // namespace

BufferedRun::BufferedRun(const Settings& settings, TimeOfDay start_time, RunRules rules)
    : settings_(settings),
      start_time_(start_time),
      leaves_(LeafImageSet::PictureSource(LeafPictureBytes)),
      run_(RunMode::kFullScreen, leaves_, *this, nullptr, rules) {
  panes_.push_back(std::make_unique<BackBuffer>(0, 0));
}

BufferedRun::~BufferedRun() = default;

std::unique_ptr<DrawTarget> BufferedRun::CreateDrawTarget() { return std::make_unique<PanesTarget>(panes_); }

std::unique_ptr<ArgbBitmap> BufferedRun::CreateBitmap(int32_t width, int32_t height) {
  return std::make_unique<MemoryBitmap>(width, height);
}

void BufferedRun::SetPanes(std::vector<PaneSpec> specs, std::vector<Rect> screens) {
  std::vector<std::unique_ptr<BackBuffer>> panes;
  present_whole_.Clear();
  int32_t left = 0;
  for (PaneSpec& spec : specs) {
    uint32_t* memory = pixel_memory_ ? pixel_memory_(panes.size(), spec.width, spec.height) : nullptr;
    auto& pane = panes.emplace_back(std::make_unique<BackBuffer>(spec.width, spec.height, memory));
    pane->SetOrigin({left, 0});
    left += pane->Width();
    const size_t count = static_cast<size_t>(pane->Width()) * static_cast<size_t>(pane->Height());
    if (spec.background.size() == count) {
      pane->SetBackground(std::move(spec.background));
    } else {
      pane->FillBackground(kPlainBackground);
    }
    pane->Restore();
    present_whole_.Add(AreaOf(*pane));
  }
  panes_ = std::move(panes);
  if (screens.empty())
    for (const auto& pane : panes_) screens.push_back(AreaOf(*pane));
  screens_ = std::move(screens);
}

void BufferedRun::Start(int32_t width, int32_t height, std::vector<uint32_t> background, std::vector<Rect> screens) {
  std::vector<PaneSpec> pane;
  pane.push_back({width, height, std::move(background)});
  SetPanes(std::move(pane), std::move(screens));
  // Only a preview's start-up fails without raising (its window is gone); this is none.
  if (!run_.Start(start_time_)) throw AmbervaleError("the saver's start-up failed");
}

void BufferedRun::Start(std::vector<PaneSpec> panes) {
  SetPanes(std::move(panes), {});
  if (!run_.Start(start_time_)) throw AmbervaleError("the saver's start-up failed");
}

Rect BufferedRun::PaneArea(size_t pane) const { return AreaOf(*panes_[pane]); }

Damage BufferedRun::ChangedIn(const Damage& changed, size_t pane) const {
  const Rect area = PaneArea(pane);
  Damage inside;
  for (const Rect& part : changed.Parts()) {
    const Rect cut = Intersection(part, area);
    if (cut.Width() > 0)
      inside.Add({cut.left - area.left, cut.top - area.top, cut.right - area.left, cut.bottom - area.top});
  }
  return inside;
}

std::vector<uint32_t> BufferedRun::FittedBackground(int32_t width, int32_t height, size_t pane) const {
  const BackBuffer& buffer = *panes_[pane];
  return ScalePicture(buffer.Background(), buffer.Width(), buffer.Height(), width, height);
}

void BufferedRun::Resize(int32_t width, int32_t height, std::vector<uint32_t> background, std::vector<Rect> screens) {
  std::vector<PaneSpec> pane;
  pane.push_back({width, height, std::move(background)});
  SetPanes(std::move(pane), std::move(screens));
  run_.FollowScreens();
}

void BufferedRun::Resize(std::vector<PaneSpec> panes) {
  SetPanes(std::move(panes), {});
  run_.FollowScreens();
}

void BufferedRun::ShowDesktop(const Rect& area) {
  for (auto& pane : panes_)
    if (Intersection(area, AreaOf(*pane)).Width() > 0 && pane->RestoreWithin(area)) present_whole_.Add(AreaOf(*pane));
}

SaverRun::Wake BufferedRun::Advance(MonotonicTime now) {
  SaverRun::Wake wake = run_.Advance(now);
  wake.changed.Add(present_whole_);
  present_whole_.Clear();
  Rect all;
  for (const auto& pane : panes_) all = BoundingUnion(all, AreaOf(*pane));
  wake.changed.ClipTo(all);
  return wake;
}

}  // namespace ambervale
