// One run of the saver from its start-up to its close, free of any platform: the start-up
// (full screen over every screen, or a preview), the tick of every screen's engine with the
// exit checks at its head, the restore-and-restart, the key exit, the settings dialog's
// changes, the close decision and the close. A host (SaverHost) supplies what differs per
// platform; it asks TakeCloseRequest() after a tick or a key and closes when told.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "engine/monitor_set.h"
#include "engine/mouse_exit_rule.h"
#include "engine/random.h"
#include "engine/saver_engine.h"
#include "engine/saver_host.h"
#include "engine/saver_startup.h"
#include "engine/saver_state.h"

namespace ambervale {

class SaverRun final : private MonitorOwner {
 public:
  enum class Phase { kNotStarted, kStarting, kRunning, kFailed, kClosed };

  // `state` is the primary screen's, which the settings dialog edits; `pointer` and `preview`
  // are the host's optional capabilities (null where the platform has none).
  SaverRun(SaverState& state, LeafImageSet& leaves, SaverHost& host, PointerSource* pointer = nullptr,
           PreviewHost* preview = nullptr);
  SaverRun(const SaverRun&) = delete;
  SaverRun& operator=(const SaverRun&) = delete;

  // The start-up, seeded from the time of day. An error (settings that cannot be read, a
  // DrawingFailure) leaves the phase kFailed and propagates. A preview reference that names no
  // window also fails the start-up, quietly: the host has already dropped its preview.
  // Returns true when the run started. Tick, FollowScreens and RestoreAndRestart raise
  // DrawingFailure too once a surface has failed.
  bool Start(TimeOfDay now, std::optional<std::string_view> preview_argument = std::nullopt);
  // True once the start-up completed: only then may anything touch the surfaces.
  bool Started() const { return phase_ == Phase::kRunning; }
  Phase phase() const { return phase_; }

  // One tick of every screen, the exit checks once at its head.
  void Tick();
  // The screens changed (a resolution, a monitor come or gone): every screen gets a grid of
  // its new size, a new draw target and a fresh cycle; the host has already made the old
  // leaves go. A preview keeps its host's window.
  void FollowScreens();
  // Every screen's desktop again and a new cycle on each (nothing before the start-up made its
  // surfaces, or after it failed).
  void RestoreAndRestart();
  void OnKeyDown(Key key);

  // The settings dialog's doors. Its settings are the primary's; a change reaches every
  // screen: Algorithm, Size and Transparent restart every cycle (Size on the dialog's grid
  // rule), Fast sets the pace (even unchanged), the check boxes count from the next tick. A
  // value a setting already has restarts nothing.
  const Settings& CurrentSettings() const { return state_.settings; }
  void ChangeSetting(SettingId id, int32_t value);
  // While the dialog shows no input ends the run; its close grants the close and restores
  // every screen.
  void HoldBehindDialog() { state_.behind_dialog = true; }
  void ReleaseForClose();

  // The close decision: true grants the close.
  bool MayClose();
  // A host that ends the run after a failure grants the close without a restore of the run's
  // own: the graphics that failed cannot be trusted to draw it.
  void GrantClose() { state_.close_allowed = true; }
  void Close();

  // True once an exit rule asked for the close; taking it clears it.
  bool TakeCloseRequest();

  size_t NumberOfScreens() const { return screens_ ? screens_->Count() : 0; }
  SaverState& State(size_t index) { return screens_->State(index); }
  SaverEngine& Engine(size_t index) { return screens_->Engine(index); }
  Random& random() { return random_; }

 private:
  bool StartFullScreen();
  // The full-screen surfaces over the host's screens: geometry, target, one engine each.
  void SpreadOverScreens(const std::vector<Rect>& screens);
  bool StartPreview(std::optional<std::string_view> preview_argument);
  // Every screen's desktop again and a fresh cycle from its first cell.
  void RestartCycles();
  void CheckPointer();
  // Raises DrawingFailure when any screen's draw target, sprite bitmap or desktop picture
  // could not be made or has refused a draw.
  void RequireSurfaces() const;

  // MonitorOwner
  void CheckExits() override;
  void SetTicking(bool on) override { host_.SetTicking(on); }
  void ShowDesktop(const Rect& area) override { host_.ShowDesktop(area); }

  SaverState& state_;
  LeafImageSet& leaves_;
  SaverHost& host_;
  PointerSource* pointer_;
  PreviewHost* preview_;
  Random random_;
  std::unique_ptr<MonitorSet> screens_;
  MouseExitRule mouse_exit_;
  bool close_requested_ = false;
  Phase phase_ = Phase::kNotStarted;
};

}  // namespace ambervale
