#include "engine/saver_run.h"

#include <cstdlib>
#include <utility>

#include "base/errors.h"
#include "engine/geometry.h"

namespace ambervale {
namespace {

// The host's target, noting what every draw covers.
class DamageRecordingTarget : public DrawTarget {
 public:
  DamageRecordingTarget(std::unique_ptr<DrawTarget> target, Damage& changed)
      : target_(std::move(target)), changed_(changed) {}
  void DrawScaled(const ArgbBitmap* bitmap, int32_t x, int32_t y, int32_t width, int32_t height) override {
    target_->DrawScaled(bitmap, x, y, width, height);
    if (bitmap) changed_.Add(Rect{x, y, x + width, y + height});
  }
  int32_t LastStatus() const override { return target_->LastStatus(); }
  void ClipTo(const Rect& area) override { target_->ClipTo(area); }

 private:
  std::unique_ptr<DrawTarget> target_;
  Damage& changed_;
};

}  // namespace

SaverRun::SaverRun(SaverState& state, LeafImageSet& leaves, SaverHost& host, PointerSource* pointer,
                   PreviewHost* preview)
    : state_(state), leaves_(leaves), host_(host), pointer_(pointer), preview_(preview) {}

bool SaverRun::Start(TimeOfDay now, std::optional<std::string_view> preview_argument) {
  phase_ = Phase::kStarting;
  try {
    state_.settings = host_.LoadSettings();
    pacer_.SetInterval(TickInterval(state_.settings.fast));
    random_.Seed(TimeOfDaySeed(now.hours, now.minutes, now.seconds, now.milliseconds));
    state_.sprite.dib.SetDepth(24);
    const bool started =
        state_.run_mode == RunMode::kPreview ? StartPreview(preview_argument) : StartFullScreen();
    if (!started) {
      phase_ = Phase::kFailed;
      return false;
    }
  } catch (...) {
    phase_ = Phase::kFailed;
    throw;
  }
  if (pointer_) mouse_exit_.Start(pointer_->NowMilliseconds(), pointer_->CursorPos());
  phase_ = Phase::kRunning;
  return true;
}

// A run that cannot draw must say so, not show a blank screen for as long as it lasts.
void SaverRun::RequireSurfaces() const {
  if (state_.target == nullptr || state_.target->LastStatus() != 0)
    throw InvalidGraphicOperation(Format("The screen cannot be drawn on (status %d)",
                                         state_.target ? state_.target->LastStatus() : -1));
  if (state_.sprite.bitmap == nullptr || state_.sprite.bitmap->LastStatus() != 0)
    throw InvalidGraphicOperation(Format("The leaf's bitmap cannot be made (status %d)",
                                         state_.sprite.bitmap ? state_.sprite.bitmap->LastStatus() : -1));
}

bool SaverRun::StartFullScreen() {
  MakeSprite(state_, kFullScreenSpriteSize);
  state_.sprite.bitmap = host_.CreateBitmap(state_.sprite.dib.Width(), state_.sprite.dib.Height());
  host_.SetTickInterval(TickInterval(state_.settings.fast));
  SpreadOverScreens(PrimaryFirst(host_.Screens()));
  return true;
}

void SaverRun::SpreadOverScreens(const std::vector<Rect>& screens) {
  const Rect primary = screens.empty() ? Rect{} : screens.front();
  ApplyFullScreenGeometry(state_, primary.Width(), primary.Height());
  state_.target = RecordingDamage(host_.CreateDrawTarget());
  RequireSurfaces();
  screens_ = std::make_unique<MonitorSet>(state_, random_, leaves_, static_cast<MonitorOwner&>(*this), primary);
  screens_->StartCycle();
  screens_->BuildSprite();
  screens_->SpreadOver(screens, [this](int32_t width, int32_t height) { return host_.CreateBitmap(width, height); });
}

bool SaverRun::StartPreview(std::optional<std::string_view> preview_argument) {
  const int32_t window = ParsePreviewHandle(preview_argument.value_or(std::string_view()));
  if (preview_ == nullptr) return false;
  const std::optional<PreviewHost::Size> size = preview_->OpenPreview(window);
  if (!size) return false;
  ApplyPreviewGeometry(state_, size->width, size->height);
  MakeSprite(state_, kPreviewSpriteSize);
  state_.desktop_picture = preview_->DesktopPicture(size->width, size->height);
  state_.target = RecordingDamage(host_.CreateDrawTarget());
  state_.sprite.bitmap = host_.CreateBitmap(kPreviewSpriteSize, kPreviewSpriteSize);
  RequireSurfaces();
  screens_ = std::make_unique<MonitorSet>(state_, random_, leaves_, static_cast<MonitorOwner&>(*this), Rect{0, 0, size->width, size->height});
  screens_->RestoreAndRestart();
  screens_->StartCycle();
  screens_->BuildSprite();
  return true;
}

void SaverRun::FollowScreens() {
  if (phase_ != Phase::kRunning || state_.run_mode == RunMode::kPreview) return;
  // Every monitor's target draws through the primary's: they go before it does.
  state_.target.reset();
  screens_.reset();
  SpreadOverScreens(PrimaryFirst(host_.Screens()));
  screens_->RestoreAndRestart();
}

std::unique_ptr<DrawTarget> SaverRun::RecordingDamage(std::unique_ptr<DrawTarget> target) {
  if (!target) return nullptr;
  return std::make_unique<DamageRecordingTarget>(std::move(target), changed_);
}

SaverRun::Wake SaverRun::Advance(MonotonicTime now) {
  Wake wake;
  exits_checked_ = false;
  while (phase_ == Phase::kRunning && !close_requested_ && pacer_.TakeTick(now)) {
    screens_->Tick();
    ++wake.ticks;
  }
  wake.changed = std::exchange(changed_, Damage{});
  if (phase_ == Phase::kRunning) wake.next_wake = pacer_.NextDue();
  return wake;
}

void SaverRun::Tick() {
  exits_checked_ = false;
  if (phase_ == Phase::kRunning) screens_->Tick();
}

void SaverRun::SetTickInterval(uint32_t milliseconds) { pacer_.SetInterval(milliseconds); }

void SaverRun::SetTicking(bool on) {
  pacer_.SetTicking(on);
  host_.SetTicking(on);
}

void SaverRun::ShowDesktop(const Rect& area) {
  host_.ShowDesktop(area);
  changed_.Add(area);
}

void SaverRun::RestoreAndRestart() {
  if ((phase_ == Phase::kStarting || phase_ == Phase::kRunning) && screens_) screens_->RestoreAndRestart();
}

void SaverRun::CheckExits() {
  if (phase_ != Phase::kRunning || std::exchange(exits_checked_, true)) return;
  if (state_.run_mode == RunMode::kPreview) {
    if (preview_ && !preview_->PreviewShown()) close_requested_ = true;
    return;
  }
  if (state_.settings.exit_on_input && !state_.behind_dialog) CheckPointer();
}

void SaverRun::CheckPointer() {
  if (pointer_ == nullptr) return;
  // One reading a tick: a second read would take a jump that lands between the two as its
  // starting point, and no later tick would see it.
  if (mouse_exit_.Moved(pointer_->NowMilliseconds(), TickInterval(state_.settings.fast), pointer_->CursorPos()))
    close_requested_ = true;
}

void SaverRun::OnKeyDown(uint16_t key) {
  if (state_.settings.exit_on_input || key == kEscapeKey) close_requested_ = true;
}

bool SaverRun::TakeCloseRequest() { return std::exchange(close_requested_, false); }

bool SaverRun::MayClose() {
  if (phase_ == Phase::kClosed) return false;
  // A run whose start-up failed has nothing to restore and nothing to hold it: it ends.
  if (phase_ != Phase::kRunning) {
    state_.close_allowed = true;
    return true;
  }
  if (state_.run_mode == RunMode::kPreview) state_.close_allowed = true;
  if (state_.close_allowed) return true;
  if (state_.behind_dialog) return false;
  state_.close_allowed = true;
  RestoreAndRestart();
  return true;
}

void SaverRun::Close() { phase_ = Phase::kClosed; }

}  // namespace ambervale
