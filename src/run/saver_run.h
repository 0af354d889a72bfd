// One run of the saver from its start-up to its close, free of any platform: the start-up
// (full screen over every screen, or a preview), the pace (every tick that is due when the host
// wakes it, and when to wake it next), the exit checks once a wake before its ticks, the tick
// of every screen's engine, the restore-and-restart, the key exit, the settings dialog's changes, the close
// decision and the close. A host (SaverHost) supplies what differs per platform and reports its
// input (keys, buttons and touches, the pointer's position); it asks TakeCloseRequest() after a
// wake or an input and closes when told.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "run/keyboard_focus_rule.h"
#include "run/monitor_set.h"
#include "run/mouse_exit_rule.h"
#include "run/pacer.h"
#include "engine/random.h"
#include "engine/saver_engine.h"
#include "run/saver_host.h"
#include "run/saver_startup.h"
#include "engine/saver_state.h"
#include "surfaces/damage.h"

namespace ambervale {

// Which input ends a full-screen run. Esc (Key::kEscape) ends it under every rule.
enum class InputRule : uint8_t {
  kSettings,    // the settings' exit_on_input: then any key or button, or a quick mouse movement (Windows)
  kAnyInput,    // any key, button or touch, or a quick mouse movement (a Linux program's full screen)
  kEscapeOnly,  // nothing else (a window of its own, the settings window's preview)
};

// The rules a host runs the saver on.
struct RunRules {
  InputRule input = InputRule::kSettings;
  SizeRule size = SizeRule::kDialog;  // the grid a changed Size takes (ChangeSetting)
};

class SaverRun final {
 public:
  enum class Phase { kNotStarted, kStarting, kRunning, kFailed, kClosed };

  // A run in `mode` (kPreview, or a full screen); `preview` is the host's preview window, where
  // the platform has one (null elsewhere). The run owns what is run-wide: the user's settings
  // (read through the host at the start-up), the mode, the hold behind the dialog and the close
  // decision; each screen's drawing state is its own.
  SaverRun(RunMode mode, LeafImageSet& leaves, SaverHost& host, PreviewHost* preview = nullptr, RunRules rules = {});
  SaverRun(const SaverRun&) = delete;
  SaverRun& operator=(const SaverRun&) = delete;

  // The start-up, seeded from the time of day. An error (settings that cannot be read, a
  // DrawingFailure) leaves the phase kFailed and propagates. A preview reference that names no
  // window also fails the start-up, quietly: the host has already dropped its preview.
  // Returns true when the run started. Advance, FollowScreens and RestoreAndRestart raise
  // DrawingFailure too once a surface has failed.
  bool Start(TimeOfDay now, std::optional<std::string_view> preview_argument = std::nullopt);
  // True once the start-up completed: only then may anything touch the surfaces.
  bool Started() const { return phase_ == Phase::kRunning; }
  Phase phase() const { return phase_; }

  // What a wake did.
  struct Wake {
    Damage changed;                          // what was drawn or restored since the last wake (target coordinates)
    std::optional<MonotonicTime> next_wake;  // when the next tick (or focus decision) is due; none while none will come
    int32_t ticks = 0;                       // the ticks performed
    bool keys_went_elsewhere = false;        // this wake found the keyboard lost (KeyboardFocusRule)
  };
  // The host's wake at `now` (its monotonic clock): when a tick is due (Pacer), the exit checks
  // once, then every tick that is due; no more ticks once a close is asked for. Call it once
  // after the start-up too: that reading starts the pace.
  Wake Advance(MonotonicTime now);
  // The screens changed (a resolution, a monitor come or gone): every screen gets a grid of
  // its new size, a new draw target and a fresh cycle; the host has already made the old
  // leaves go. A preview keeps its host's window.
  void FollowScreens();
  // Every screen's desktop again and a new cycle on each (nothing before the start-up made its
  // surfaces, or after it failed).
  void RestoreAndRestart();

  // The host's input, judged on the run's InputRule. The pointer's position (any coordinates
  // that stay put while the run lasts) is read once a wake, at the first tick's exit checks:
  // the mouse rule takes one reading a tick (MouseExitRule). The first reading starts it.
  void KeyPressed(Key key);
  void ButtonPressed();  // a mouse button or a touch
  void PointerAt(Point position) { pointer_ = position; }
  // A movement to `position`: a key press where the keys go elsewhere, else a reading.
  void PointerMoved(Point position);
  // The keyboard's whereabouts, for a host whose compositor may give the keys to others
  // (KeyboardFocusRule): a seat's keyboard came, a frame showed, the saver got the keyboard.
  void KeyboardArrived(MonotonicTime now) { focus_.KeyboardArrived(now); }
  void Shown(MonotonicTime now) { focus_.Shown(now); }
  void KeyboardFocused() { focus_.Focused(); }

  // The settings' doors (the Windows dialog's, the Linux settings window's preview). A change
  // reaches every screen: Algorithm, Size and Opacity restart every cycle (Size on the run's
  // SizeRule), Fast sets the pace (even unchanged) from the next wake, the check boxes count
  // from the next tick. A value the screen already shows restarts nothing.
  const Settings& CurrentSettings() const { return settings_; }
  // The user's settings with the layout of the primary screen's cycle as Algorithm (a random
  // cycle's own pick): what the Windows dialog shows and its Save stores.
  Settings SettingsOnScreen() const;
  void ChangeSetting(SettingId id, int32_t value);
  RunMode Mode() const { return mode_; }
  // While the dialog shows no input ends the run; its close grants the close and restores
  // every screen.
  void HoldBehindDialog() { behind_dialog_ = true; }
  void ReleaseForClose();

  // The close decision: true grants the close.
  bool MayClose();
  // A host that ends the run after a failure grants the close without a restore of the run's
  // own: the graphics that failed cannot be trusted to draw it.
  void GrantClose() { close_allowed_ = true; }
  void Close();

  // True once an exit rule asked for the close; taking it clears it.
  bool TakeCloseRequest();

  size_t NumberOfScreens() const { return screens_ ? screens_->Count() : 0; }
  // Screen `index`'s drawing state; the primary's (0) is there before the start-up too.
  const SaverState& State(size_t index) const { return index == 0 ? primary_ : screens_->State(index); }

 private:
  bool StartFullScreen();
  // The full-screen surfaces over the host's screens: geometry, target, one engine each.
  void SpreadOverScreens(const std::vector<Rect>& screens);
  bool StartPreview(std::optional<std::string_view> preview_argument);
  // Every screen's desktop again and a fresh cycle from its first cell.
  void RestartCycles();
  // Whether a key other than Esc, a button or a quick mouse movement ends the run now.
  bool AnyInputEnds() const;
  void CheckPointer(MonotonicTime now);
  // The host's target, wrapped so that every draw joins what the next wake reports changed.
  std::unique_ptr<DrawTarget> RecordingDamage(std::unique_ptr<DrawTarget> target);
  // Raises DrawingFailure when any screen's draw target, sprite bitmap or desktop picture
  // could not be made or has refused a draw.
  void RequireSurfaces() const;

  // The exit checks of a wake with a tick due: the preview's host, the input rule's pointer.
  void CheckExits(MonotonicTime now);
  // A screen's cycle ended: the pace restarts (a restore's ticks are not made up) and the
  // desktop shows again, the host's or the preview's picture.
  void ShowDesktop(const Rect& area);
  // The screens' engines, the primary's restoring `primary_area`.
  void NewScreens(const Rect& primary_area);

  RunMode mode_;
  Settings settings_;  // the user's
  bool behind_dialog_ = false;
  bool close_allowed_ = false;
  std::unique_ptr<SaverState> own_primary_ = std::make_unique<SaverState>();  // large: off the stack
  SaverState& primary_ = *own_primary_;
  LeafImageSet& leaves_;
  SaverHost& host_;
  PreviewHost* preview_;
  RunRules rules_;
  Random random_;
  std::unique_ptr<MonitorSet> screens_;
  std::optional<Point> pointer_;  // the host's latest report
  bool mouse_rule_started_ = false;
  MouseExitRule mouse_exit_;
  KeyboardFocusRule focus_;
  Pacer pacer_;
  Damage changed_;              // drawn or restored since the last wake
  Damage drawn_since_restore_;  // what a restore brings back
  bool close_requested_ = false;
  Phase phase_ = Phase::kNotStarted;
};

}  // namespace ambervale
