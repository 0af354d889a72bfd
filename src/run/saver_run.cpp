#include "run/saver_run.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "base/errors.h"
#include "engine/geometry.h"

namespace ambervale {
namespace {

// The host's target, noting what every draw covers.
class DamageRecordingTarget : public DrawTarget {
 public:
  DamageRecordingTarget(std::unique_ptr<DrawTarget> target, Damage& changed, Damage& drawn)
      : target_(std::move(target)), changed_(changed), drawn_(drawn) {}
  void DrawScaled(const ArgbBitmap* bitmap, int32_t x, int32_t y, int32_t width, int32_t height) override {
    target_->DrawScaled(bitmap, x, y, width, height);
    if (!bitmap) return;
    changed_.Add(Rect{x, y, x + width, y + height});
    drawn_.Add(Rect{x, y, x + width, y + height});
  }
  DrawStatus LastStatus() const override { return target_->LastStatus(); }
  void ClipTo(const Rect& area) override { target_->ClipTo(area); }

 private:
  std::unique_ptr<DrawTarget> target_;
  Damage& changed_;
  Damage& drawn_;
};

}  // namespace

SaverRun::SaverRun(RunMode mode, LeafImageSet& leaves, SaverHost& host, PreviewHost* preview, RunRules rules)
    : mode_(mode), leaves_(leaves), host_(host), preview_(preview), rules_(rules) {}

bool SaverRun::Start(TimeOfDay now, std::optional<std::string_view> preview_argument) {
  phase_ = Phase::kStarting;
  try {
    host_.LoadSettings(settings_);
    pacer_.SetInterval(TickInterval(settings_.fast));
    random_.Seed(TimeOfDaySeed(now.hours, now.minutes, now.seconds, now.milliseconds));
    primary_.sprite.dib.SetDepth(24);
    const bool started = mode_ == RunMode::kPreview ? StartPreview(preview_argument) : StartFullScreen();
    if (!started) {
      phase_ = Phase::kFailed;
      return false;
    }
  } catch (...) {
    phase_ = Phase::kFailed;
    throw;
  }
  phase_ = Phase::kRunning;
  return true;
}

// A run that cannot draw must say so, not show a blank screen for as long as it lasts. The
// drawing objects keep their first failure in their status; every screen's are checked.
void SaverRun::RequireSurfaces() const {
  const auto require = [](const auto* surface, const char* what) {
    const DrawStatus status = surface ? surface->LastStatus() : DrawStatus::kFailed;
    if (status != DrawStatus::kOk) throw DrawingFailure(Format("%s (%s)", what, Describe(status)));
  };
  const size_t screens = screens_ ? screens_->Count() : 0;
  for (size_t i = 0; i < std::max<size_t>(screens, 1); ++i) {
    const SaverState& state = screens_ ? screens_->State(i) : primary_;
    require(state.target.get(), "The leaves cannot be drawn on the screen");
    require(state.sprite.bitmap.get(), "The leaf's bitmap cannot be made");
    if (mode_ == RunMode::kPreview && state.desktop_picture)
      require(state.desktop_picture.get(), "The desktop's picture cannot be made");
  }
}

bool SaverRun::StartFullScreen() {
  MakeSprite(primary_, kFullScreenSpriteSize);
  primary_.sprite.bitmap = host_.CreateBitmap(primary_.sprite.dib.Width(), primary_.sprite.dib.Height());
  SpreadOverScreens(PrimaryFirst(host_.Screens()));
  return true;
}

void SaverRun::SpreadOverScreens(const std::vector<Rect>& screens) {
  const Rect primary = screens.empty() ? Rect{} : screens.front();
  ApplyFullScreenGeometry(primary_, settings_.size, primary.Width(), primary.Height());
  primary_.target = RecordingDamage(host_.CreateDrawTarget());
  NewScreens(primary);
  RequireSurfaces();
  screens_->StartCycle();
  screens_->BuildSprite();
  screens_->SpreadOver(screens, [this](int32_t width, int32_t height) { return host_.CreateBitmap(width, height); });
  RequireSurfaces();
}

bool SaverRun::StartPreview(std::optional<std::string_view> preview_argument) {
  const WindowReference window{ParsePreviewHandle(preview_argument.value_or(std::string_view()))};
  if (preview_ == nullptr) return false;
  const std::optional<PreviewHost::Size> size = preview_->OpenPreview(window);
  if (!size) return false;
  ApplyPreviewGeometry(primary_, size->width, size->height);
  pacer_.SetInterval(kPreviewTickInterval);
  MakeSprite(primary_, kPreviewSpriteSize);
  primary_.desktop_picture = preview_->DesktopPicture(size->width, size->height);
  primary_.target = RecordingDamage(host_.CreateDrawTarget());
  primary_.sprite.bitmap = host_.CreateBitmap(kPreviewSpriteSize, kPreviewSpriteSize);
  NewScreens(Rect{0, 0, size->width, size->height});
  RequireSurfaces();
  screens_->RestoreAndRestart();
  screens_->StartCycle();
  screens_->BuildSprite();
  RequireSurfaces();
  return true;
}

void SaverRun::FollowScreens() {
  if (phase_ != Phase::kRunning || mode_ == RunMode::kPreview) return;
  // Every monitor's target draws through the primary's: they go before it does.
  primary_.target.reset();
  screens_.reset();
  SpreadOverScreens(PrimaryFirst(host_.Screens()));
  screens_->RestoreAndRestart();
}

void SaverRun::NewScreens(const Rect& primary_area) {
  screens_ = std::make_unique<MonitorSet>(
      primary_, settings_, random_, leaves_, [this](const Rect& area) { ShowDesktop(area); }, primary_area);
}

std::unique_ptr<DrawTarget> SaverRun::RecordingDamage(std::unique_ptr<DrawTarget> target) {
  if (!target) return nullptr;
  return std::make_unique<DamageRecordingTarget>(std::move(target), changed_, drawn_since_restore_);
}

SaverRun::Wake SaverRun::Advance(MonotonicTime now) {
  Wake wake;
  bool due = phase_ == Phase::kRunning && !close_requested_ && pacer_.TakeTick(now);
  if (due) CheckExits(now);
  for (; due; due = !close_requested_ && pacer_.TakeTick(now)) {
    screens_->Tick();
    ++wake.ticks;
  }
  if (wake.ticks > 0) RequireSurfaces();
  wake.changed = std::exchange(changed_, Damage{});
  if (phase_ == Phase::kRunning) wake.next_wake = pacer_.NextDue();
  wake.keys_went_elsewhere = focus_.JudgeAt(now);
  if (const auto decision = focus_.Deadline(); decision && (!wake.next_wake || *decision < *wake.next_wake))
    wake.next_wake = decision;
  return wake;
}

// A restore changes only what the leaves covered since the last one. (A host whose restore
// does more, such as a new background, presents that itself.)
void SaverRun::ShowDesktop(const Rect& area) {
  pacer_.Restart();
  if (mode_ == RunMode::kPreview) {
    if (primary_.target && primary_.desktop_picture)
      primary_.target->DrawScaled(primary_.desktop_picture.get(), 0, 0, primary_.grid.surface_width,
                                  primary_.grid.surface_height);
    return;
  }
  host_.ShowDesktop(area);
  Damage restored = drawn_since_restore_;
  restored.ClipTo(area);
  changed_.Add(restored);
  if (Intersection(drawn_since_restore_.Bounds(), area) == drawn_since_restore_.Bounds()) drawn_since_restore_.Clear();
}

void SaverRun::RestoreAndRestart() {
  if ((phase_ != Phase::kStarting && phase_ != Phase::kRunning) || !screens_) return;
  screens_->RestoreAndRestart();
  RequireSurfaces();
}

void SaverRun::CheckExits(MonotonicTime now) {
  if (mode_ == RunMode::kPreview) {
    if (preview_ && !preview_->PreviewShown()) close_requested_ = true;
    return;
  }
  if (AnyInputEnds()) CheckPointer(now);
}

bool SaverRun::AnyInputEnds() const {
  switch (rules_.input) {
    case InputRule::kSettings: return settings_.exit_on_input && !behind_dialog_;
    case InputRule::kAnyInput: return true;
    case InputRule::kEscapeOnly: return false;
  }
  return false;
}

void SaverRun::CheckPointer(MonotonicTime now) {
  if (!pointer_) return;
  const uint64_t now_ms = static_cast<uint64_t>(now.count() / 1000);
  if (!std::exchange(mouse_rule_started_, true)) return mouse_exit_.Start(now_ms, *pointer_);
  // One reading a tick: a second read would take a jump that lands between the two as its
  // starting point, and no later tick would see it.
  if (mouse_exit_.Moved(now_ms, TickInterval(settings_.fast), *pointer_)) close_requested_ = true;
}

void SaverRun::KeyPressed(Key key) {
  if (key == Key::kEscape || AnyInputEnds()) close_requested_ = true;
}

void SaverRun::PointerMoved(Point position) {
  if (focus_.MotionStandsForKey()) return KeyPressed(Key::kOther);
  PointerAt(position);
}

void SaverRun::ButtonPressed() {
  if (AnyInputEnds()) close_requested_ = true;
}

void SaverRun::RestartCycles() {
  primary_.cycle.fade_step = 0;
  RestoreAndRestart();
}

void SaverRun::ChangeSetting(SettingId id, int32_t value) {
  value = ClampToRange(id, value);
  // Against what the screen shows: a random cycle's own layout is the Algorithm it has.
  const bool changed = ValueOf(SettingsOnScreen(), id) != value;
  SetValue(settings_, id, value);
  switch (id) {
    case SettingId::kFast: pacer_.SetInterval(TickInterval(settings_.fast)); return;
    case SettingId::kSize:
      if (!changed) return;
      if (screens_) screens_->ApplySize(rules_.size);
      return RestartCycles();
    case SettingId::kAlgorithm:
    case SettingId::kOpacity:
      if (changed) RestartCycles();
      return;
    default: return;
  }
}

Settings SaverRun::SettingsOnScreen() const {
  Settings shown = settings_;
  if (screens_) shown.algorithm = primary_.cycle.algorithm;
  return shown;
}

void SaverRun::ReleaseForClose() {
  close_allowed_ = true;
  RestoreAndRestart();
}

bool SaverRun::TakeCloseRequest() { return std::exchange(close_requested_, false); }

bool SaverRun::MayClose() {
  if (phase_ == Phase::kClosed) return false;
  // A run whose start-up failed has nothing to restore and nothing to hold it: it ends.
  if (phase_ != Phase::kRunning) {
    close_allowed_ = true;
    return true;
  }
  if (mode_ == RunMode::kPreview) close_allowed_ = true;
  if (close_allowed_) return true;
  if (behind_dialog_) return false;
  close_allowed_ = true;
  RestoreAndRestart();
  return true;
}

void SaverRun::Close() { phase_ = Phase::kClosed; }

}  // namespace ambervale
