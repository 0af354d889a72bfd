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

void MonitorSet::MonitorHost::RunExitChecks() {
  if (primary_) window_.RunExitChecks();
}

void MonitorSet::MonitorHost::RepaintDesktop() {
  if (area_) {
    window_.RepaintArea(*area_);
  } else {
    window_.RepaintDesktop();
  }
}

MonitorSet::Monitor::Monitor(SaverState& shared, std::unique_ptr<SaverState> own, Random& random, LeafImageSet& leaves,
                             SaverHost& window, bool primary)
    : own_state(std::move(own)),
      state(own_state ? own_state.get() : &shared),
      host(window, primary),
      engine(*state, random, leaves, host) {}

MonitorSet::MonitorSet(SaverState& primary, Random& random, LeafImageSet& leaves, SaverHost& window)
    : random_(random), leaves_(leaves), window_(window) {
  monitors_.push_back(std::make_unique<Monitor>(primary, nullptr, random, leaves, window, true));
}

void MonitorSet::SpreadOver(const std::vector<Rect>& monitors, std::unique_ptr<DrawTarget> whole_screen, Point origin,
                            const BitmapFactory& make_bitmap) {
  SaverState& shared = *primary().state;
  if (monitors.size() < 2 || monitors_.size() > 1 || shared.TargetGraphics == nullptr) return;
  target_origin_ = origin;
  base_target_ = whole_screen ? std::move(whole_screen) : std::move(shared.TargetGraphics);
  shared.TargetGraphics = std::make_unique<MonitorTarget>(*base_target_, target_origin_, monitors.front());
  primary().host.RestoreOnly(monitors.front());
  for (size_t i = 1; i < monitors.size(); ++i) AddMonitor(monitors[i], make_bitmap);
}

void MonitorSet::Forget() {
  // The targets of every monitor draw through the base target: they go first.
  monitors_.resize(1);
  primary().state->TargetGraphics.reset();
  primary().host.RestoreOnly(std::nullopt);
  base_target_.reset();
}

void MonitorSet::AddMonitor(const Rect& area, const BitmapFactory& make_bitmap) {
  const SaverState& shared = *primary().state;
  auto own = std::make_unique<SaverState>();
  SaverState& s = *own;
  s.RunMode = shared.RunMode;
  s.Algorithm = shared.Algorithm;
  s.Size = shared.Size;
  s.LastCursor = shared.LastCursor;
  s.SpriteDib.SetDepth(24);
  MakeSprite(s, kFullScreenSpriteSize);
  ApplyFullScreenGeometry(s, area.Width(), area.Height());
  s.TargetGraphics = std::make_unique<MonitorTarget>(*base_target_, target_origin_, area);
  if (make_bitmap) s.SpriteBitmap = make_bitmap(s.SpriteDib.Width(), s.SpriteDib.Height());

  monitors_.push_back(std::make_unique<Monitor>(s, std::move(own), random_, leaves_, window_, false));
  Monitor& monitor = *monitors_.back();
  monitor.host.RestoreOnly(area);
  ShareSettings(false);
  monitor.engine.UpAlgorithm();
  monitor.engine.Snowflake();
}

void MonitorSet::ShareSettings(bool restarting) {
  const SaverState& p = *primary().state;
  for (size_t i = 1; i < monitors_.size(); ++i) {
    SaverState& s = *monitors_[i]->state;
    s.Transparent = p.Transparent;
    s.Fast = p.Fast;
    s.Color_s = p.Color_s;
    s.Key_Exit = p.Key_Exit;
    s.Rands_Algorithm = p.Rands_Algorithm;
    s.ConfigMode = p.ConfigMode;
    s.CloseAllowed = p.CloseAllowed;
    if (!restarting) continue;
    // A random pick of the primary's cycle stays the primary's; a restart hands every monitor
    // the algorithm and the Size the dialog set, Size on the dialog's own grid rule.
    s.Algorithm = p.Algorithm;
    if (s.Size != p.Size) {
      s.Size = p.Size;
      ApplyDialogGeometry(s);
    }
  }
}

void MonitorSet::Timer1Timer() {
  ShareSettings(false);
  for (auto& monitor : monitors_) monitor->engine.Timer1Timer();
}

void MonitorSet::UpScreen() {
  ShareSettings(true);
  for (auto& monitor : monitors_) monitor->engine.UpScreen();
}

}  // namespace ambervale
