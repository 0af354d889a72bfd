#include "run/monitor_set.h"

#include <algorithm>
#include <utility>

#include "engine/geometry.h"
#include "run/saver_startup.h"

namespace ambervale {

std::vector<Rect> PrimaryFirst(std::vector<Rect> monitors) {
  std::erase_if(monitors, [](const Rect& r) { return r.Width() <= 0 || r.Height() <= 0; });
  const auto primary =
      std::find_if(monitors.begin(), monitors.end(), [](const Rect& r) { return r.left == 0 && r.top == 0; });
  if (primary != monitors.end()) std::rotate(monitors.begin(), primary, primary + 1);
  return monitors;
}

MonitorTarget::MonitorTarget(DrawTarget& base, Point origin, const Rect& monitor)
    : base_(base),
      shift_{monitor.left - origin.x, monitor.top - origin.y},
      clip_{monitor.left - origin.x, monitor.top - origin.y, monitor.right - origin.x, monitor.bottom - origin.y} {}

// The base target may be shared by every monitor, so each draw sets its own clip.
void MonitorTarget::DrawScaled(const ArgbBitmap* bitmap, int32_t x, int32_t y, int32_t width, int32_t height) {
  base_.ClipTo(clip_);
  base_.DrawScaled(bitmap, x + shift_.x, y + shift_.y, width, height);
}

MonitorSet::Monitor::Monitor(SaverState& shared, std::unique_ptr<SaverState> own, const Settings& settings,
                             Random& random, LeafImageSet& leaves, const DesktopRestore& show_desktop, const Rect& area)
    : own_state(std::move(own)),
      state(own_state ? own_state.get() : &shared),
      engine(*state, settings, random, leaves, show_desktop, area) {}

MonitorSet::MonitorSet(SaverState& primary, const Settings& settings, Random& random, LeafImageSet& leaves,
                       DesktopRestore show_desktop, const Rect& primary_area)
    : settings_(settings), random_(random), leaves_(leaves), show_desktop_(std::move(show_desktop)) {
  monitors_.push_back(
      std::make_unique<Monitor>(primary, nullptr, settings, random, leaves, show_desktop_, primary_area));
}

void MonitorSet::SpreadOver(const std::vector<Rect>& monitors, const BitmapFactory& make_bitmap) {
  SaverState& shared = *primary().state;
  if (monitors.size() < 2 || monitors_.size() > 1 || shared.target == nullptr) return;
  base_target_ = std::move(shared.target);
  shared.target = std::make_unique<MonitorTarget>(*base_target_, Point{0, 0}, monitors.front());
  for (size_t i = 1; i < monitors.size(); ++i) AddMonitor(monitors[i], make_bitmap);
}

void MonitorSet::AddMonitor(const Rect& area, const BitmapFactory& make_bitmap) {
  auto own = std::make_unique<SaverState>();
  SaverState& s = *own;
  s.sprite.dib.SetDepth(24);
  MakeSprite(s, kFullScreenSpriteSize);
  ApplyFullScreenGeometry(s, settings_.size, area.Width(), area.Height());
  s.target = std::make_unique<MonitorTarget>(*base_target_, Point{0, 0}, area);
  if (make_bitmap) s.sprite.bitmap = make_bitmap(s.sprite.dib.Width(), s.sprite.dib.Height());

  monitors_.push_back(std::make_unique<Monitor>(s, std::move(own), settings_, random_, leaves_, show_desktop_, area));
  Monitor& monitor = *monitors_.back();
  monitor.engine.StartCycle();
  monitor.engine.BuildSprite();
}

void MonitorSet::Tick() {
  for (auto& monitor : monitors_) monitor->engine.Tick();
}

void MonitorSet::RestoreAndRestart() {
  for (auto& monitor : monitors_) monitor->engine.RestoreAndRestart();
}

void MonitorSet::ApplySize(SizeRule rule) {
  for (auto& monitor : monitors_) ApplySizeChange(*monitor->state, settings_.size, rule);
}

}  // namespace ambervale
