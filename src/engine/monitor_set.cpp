#include "engine/monitor_set.h"

#include <algorithm>
#include <utility>

#include "engine/geometry.h"
#include "engine/saver_startup.h"

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

MonitorSet::Monitor::Monitor(SaverState& shared, std::unique_ptr<SaverState> own, Random& random, LeafImageSet& leaves,
                             const DesktopRestore& show_desktop, const Rect& area)
    : own_state(std::move(own)),
      state(own_state ? own_state.get() : &shared),
      engine(*state, random, leaves, show_desktop, area) {}

MonitorSet::MonitorSet(SaverState& primary, Random& random, LeafImageSet& leaves, DesktopRestore show_desktop,
                       const Rect& primary_area, SizeRule size_rule)
    : random_(random), leaves_(leaves), show_desktop_(std::move(show_desktop)), size_rule_(size_rule) {
  monitors_.push_back(std::make_unique<Monitor>(primary, nullptr, random, leaves, show_desktop_, primary_area));
}

void MonitorSet::SpreadOver(const std::vector<Rect>& monitors, const BitmapFactory& make_bitmap) {
  SaverState& shared = *primary().state;
  if (monitors.size() < 2 || monitors_.size() > 1 || shared.target == nullptr) return;
  base_target_ = std::move(shared.target);
  shared.target = std::make_unique<MonitorTarget>(*base_target_, Point{0, 0}, monitors.front());
  for (size_t i = 1; i < monitors.size(); ++i) AddMonitor(monitors[i], make_bitmap);
}

void MonitorSet::AddMonitor(const Rect& area, const BitmapFactory& make_bitmap) {
  const SaverState& shared = *primary().state;
  auto own = std::make_unique<SaverState>();
  SaverState& s = *own;
  s.run_mode = shared.run_mode;
  s.settings = shared.settings;
  s.sprite.dib.SetDepth(24);
  MakeSprite(s, kFullScreenSpriteSize);
  ApplyFullScreenGeometry(s, area.Width(), area.Height());
  s.target = std::make_unique<MonitorTarget>(*base_target_, Point{0, 0}, area);
  if (make_bitmap) s.sprite.bitmap = make_bitmap(s.sprite.dib.Width(), s.sprite.dib.Height());

  monitors_.push_back(std::make_unique<Monitor>(s, std::move(own), random_, leaves_, show_desktop_, area));
  Monitor& monitor = *monitors_.back();
  ShareSettings(false);
  monitor.engine.StartCycle();
  monitor.engine.BuildSprite();
}

void MonitorSet::ShareSettings(bool restarting) {
  const SaverState& p = *primary().state;
  for (size_t i = 1; i < monitors_.size(); ++i) {
    SaverState& s = *monitors_[i]->state;
    // Everything but the algorithm (a random pick of each monitor's own cycle) and the Size.
    const uint8_t algorithm = s.settings.algorithm, size = s.settings.size;
    s.settings = p.settings;
    s.settings.algorithm = algorithm;
    s.settings.size = size;
    s.behind_dialog = p.behind_dialog;
    s.close_allowed = p.close_allowed;
    if (!restarting) continue;
    // A random pick of the primary's cycle stays the primary's; a restart hands every monitor
    // the algorithm and the Size the dialog set, Size on the run's rule for a new Size.
    s.settings.algorithm = p.settings.algorithm;
    if (s.settings.size != p.settings.size) {
      s.settings.size = p.settings.size;
      ApplySizeChange(s, size_rule_);
    }
  }
}

void MonitorSet::Tick() {
  ShareSettings(false);
  for (auto& monitor : monitors_) monitor->engine.Tick();
}

void MonitorSet::RestoreAndRestart() {
  ShareSettings(true);
  for (auto& monitor : monitors_) monitor->engine.RestoreAndRestart();
}

}  // namespace ambervale
