#include "run/saver_run.h"

#include <gtest/gtest.h>

#include <chrono>

#include "base/errors.h"
#include "engine/test_fakes.h"

namespace ambervale {
namespace {

using testing::TestLeafBytes;

// A target beneath the recording one whose status the test sets: a draw the graphics refused.
struct StatusTarget : DrawTarget {
  DrawStatus status = DrawStatus::kOk;
  void DrawScaled(const ArgbBitmap*, int32_t, int32_t, int32_t, int32_t) override {}
  DrawStatus LastStatus() const override { return status; }
};

// A platform with a preview window too.
class FakeSaverHost : public SaverHost, public PreviewHost {
 public:
  Settings settings = DefaultSettings();
  bool fail_load = false;
  std::vector<Rect> screens{{0, 0, 1024, 768}};
  std::optional<Size> preview = Size{152, 112};
  bool preview_shown = true;
  std::vector<Rect> shown;  // the areas whose desktop showed again
  int bitmaps = 0;
  bool fail_bitmaps = false;
  int failing_bitmap = 0;  // the number of the one bitmap that comes back failed (1 = the first)
  Size picture_size;
  RecordingTarget* target = nullptr;
  StatusTarget beneath;

  void LoadSettings(Settings& loaded) override {
    if (fail_load) throw RegistryError("Failed to get data for 'Size'");
    loaded = settings;
  }
  std::vector<Rect> Screens() override { return screens; }
  std::unique_ptr<DrawTarget> CreateDrawTarget() override {
    auto owned = std::make_unique<RecordingTarget>(&beneath);
    target = owned.get();
    return owned;
  }
  std::unique_ptr<ArgbBitmap> CreateBitmap(int32_t width, int32_t height) override {
    ++bitmaps;
    if (fail_bitmaps) return nullptr;
    if (bitmaps == failing_bitmap) return std::make_unique<MemoryBitmap>(0, 0);
    return std::make_unique<MemoryBitmap>(width, height);
  }
  void ShowDesktop(const Rect& area) override { shown.push_back(area); }
  std::optional<Size> OpenPreview(WindowReference) override { return preview; }
  std::unique_ptr<ArgbBitmap> DesktopPicture(int32_t width, int32_t height) override {
    picture_size = {width, height};
    return std::make_unique<MemoryBitmap>(width, height);
  }
  bool PreviewShown() override { return preview_shown; }
};

struct SaverRunTest : ::testing::Test {
  LeafImageSet leaves{&TestLeafBytes};
  FakeSaverHost host;
  std::optional<SaverRun> run_storage;
  SaverRun& run = Make({});
  const TimeOfDay now{13, 45, 7, 250};
  MonotonicTime clock{std::chrono::seconds(1)};  // the host's

  SaverRun& Make(RunRules rules, RunMode mode = RunMode::kFullScreen) {
    return run_storage.emplace(mode, leaves, host, &host, rules);
  }
  const SaverState& state() const { return run_storage->State(0); }
  // The wake after the run's start-up, which starts the pace, with the pointer at rest.
  void StartFullScreen() {
    ASSERT_TRUE(run.Start(now));
    run.PointerAt({500, 400});
    run.Advance(clock);
  }
  // The wake of the next tick (one interval of the run's pace later, or `after`).
  SaverRun::Wake NextTick(std::optional<MonotonicTime> after = std::nullopt) {
    clock += after.value_or(std::chrono::milliseconds(TickInterval(run.CurrentSettings().fast)));
    return run.Advance(clock);
  }
  // A tick with the pointer at `to`: true when it asked for the close.
  bool TickWithPointerAt(Point to) {
    run.PointerAt(to);
    NextTick();
    return run.TakeCloseRequest();
  }
};

TEST_F(SaverRunTest, FullScreenGivesEveryScreenItsOwnGridAndThePace) {
  host.screens = {{1024, 0, 1792, 1024}, {0, 0, 1024, 768}};  // the primary second
  StartFullScreen();
  EXPECT_EQ(NextTick().ticks, 1);  // at the default pace, 36 ms
  ASSERT_EQ(run.NumberOfScreens(), 2u);
  EXPECT_EQ(state().grid.surface_width, 1024);
  EXPECT_EQ(state().grid.cols, 18);
  EXPECT_EQ(state().sprite.rect, (Rect{0, 0, 100, 100}));
  EXPECT_EQ(run.State(1).grid.surface_width, 768);
  EXPECT_EQ(state().desktop_picture, nullptr);
  // A restart shows every screen's own area again.
  run.RestoreAndRestart();
  EXPECT_EQ(host.shown, (std::vector<Rect>{{0, 0, 1024, 768}, {1024, 0, 1792, 1024}}));
}

// One check, one error, every screen: a second monitor's failed bitmap stops the start-up as
// the primary's would, and a draw the graphics refused ends the run at the tick that met it.
TEST_F(SaverRunTest, AnyScreensFailedSurfaceRaisesOneDrawingFailure) {
  host.screens = {{0, 0, 1024, 768}, {1024, 0, 1792, 1024}};
  host.failing_bitmap = 2;  // the primary's sprite is the first, the second monitor's the next
  EXPECT_THROW(run.Start(now), DrawingFailure);
  EXPECT_FALSE(run.Started());

  host.failing_bitmap = 0;
  StartFullScreen();
  NextTick();
  host.beneath.status = DrawStatus::kOutOfMemory;
  try {
    NextTick();
    ADD_FAILURE() << "a refused draw went unnoticed";
  } catch (const DrawingFailure& failure) {
    EXPECT_STREQ(failure.what(), "The leaves cannot be drawn on the screen (out of memory)");
  }
}

// The settings dialog's changes, through the run, on two monitors: the Size on the dialog's
// grid rule and a new cycle on each; the pace set even when unchanged; no restart for a value
// a setting already has; the close granted with every screen restored.
TEST_F(SaverRunTest, ADialogChangeReachesEveryMonitorThroughTheRun) {
  host.screens = {{0, 0, 1024, 768}, {1024, 0, 1792, 1024}};
  StartFullScreen();
  run.HoldBehindDialog();
  const std::vector<Rect> both{{0, 0, 1024, 768}, {1024, 0, 1792, 1024}};

  run.ChangeSetting(SettingId::kSize, 13);
  EXPECT_EQ(host.shown, both);
  EXPECT_EQ(run.CurrentSettings().size, 13);
  for (size_t i = 0; i < 2; ++i) EXPECT_EQ(run.State(i).grid.cols, 17) << i;
  EXPECT_EQ(state().grid.rows, 13);  // Round(12.75)
  EXPECT_EQ(state().grid.cell_width, 60);
  run.ChangeSetting(SettingId::kSize, 13);
  run.ChangeSetting(SettingId::kOpacity, run.CurrentSettings().opacity);
  EXPECT_EQ(host.shown.size(), 2u);

  run.ChangeSetting(SettingId::kOpacity, 3);
  EXPECT_EQ(run.CurrentSettings().opacity, 3);
  EXPECT_EQ(host.shown.size(), 4u);

  // The run keeps the new pace: a tick every 2 ms from the next wake on.
  run.ChangeSetting(SettingId::kFast, 50);
  NextTick(std::chrono::milliseconds(0));
  EXPECT_EQ(NextTick(std::chrono::milliseconds(10)).ticks, 5);
  EXPECT_EQ(host.shown.size(), 4u);

  EXPECT_FALSE(run.MayClose());  // held by the dialog
  run.ReleaseForClose();
  EXPECT_EQ(host.shown.size(), 6u);
  EXPECT_TRUE(run.MayClose());
}

// The Linux settings window's preview lays a new Size as a start-up on its surface would
// (cells of Round(1000 / 17)); the Windows dialog's rule would give 1000 div 17.
TEST_F(SaverRunTest, ASizeChangeTakesTheRunsSizeRule) {
  host.screens = {{0, 0, 1000, 700}};
  Make({InputRule::kEscapeOnly, SizeRule::kFullScreen});
  StartFullScreen();
  run.ChangeSetting(SettingId::kSize, 13);
  EXPECT_EQ(state().grid.cell_width, 59);
  Make({});
  StartFullScreen();
  run.ChangeSetting(SettingId::kSize, 13);
  EXPECT_EQ(state().grid.cell_width, 58);
}

TEST_F(SaverRunTest, PreviewTicksAtItsOwnPaceAndShowsItsPictureFirst) {
  Make({}, RunMode::kPreview);
  host.settings.fast = 0;  // the preview keeps its own pace whatever Fast is
  ASSERT_TRUE(run.Start(now, "1234"));
  EXPECT_EQ(host.picture_size.width, 152);
  EXPECT_EQ(host.picture_size.height, 112);
  run.Advance(std::chrono::milliseconds(1000));
  EXPECT_EQ(run.Advance(std::chrono::milliseconds(1000 + 3 * kPreviewTickInterval)).ticks, 3);
  EXPECT_EQ(state().sprite.rect, (Rect{0, 0, 20, 20}));
  ASSERT_FALSE(host.target->calls.empty());
  const auto& first = host.target->calls.front();
  EXPECT_EQ(first.bitmap, state().desktop_picture.get());
  EXPECT_EQ((Rect{first.x, first.y, first.width, first.height}), (Rect{0, 0, 152, 112}));
}

TEST_F(SaverRunTest, FailedStartUpsTouchNoSurfaceAndEndAtTheClose) {
  Make({}, RunMode::kPreview);
  EXPECT_THROW(run.Start(now, "abc"), ConvertError);
  EXPECT_THROW(run.Start(now, std::nullopt), ConvertError);
  EXPECT_EQ(run.phase(), SaverRun::Phase::kFailed);
  host.preview.reset();  // the handle names no window: quietly
  EXPECT_FALSE(run.Start(now, "4242"));
  host.fail_load = true;
  Make({});
  EXPECT_THROW(run.Start(now), RegistryError);
  EXPECT_EQ(host.bitmaps, 0);
  EXPECT_EQ(state().target, nullptr);

  host.fail_load = false;
  host.fail_bitmaps = true;  // no bitmap for the leaf: an error, never a blank run
  EXPECT_THROW(run.Start(now), DrawingFailure);
  EXPECT_FALSE(run.Started());

  run.HoldBehindDialog();  // even a settings run ends
  NextTick();
  EXPECT_FALSE(run.TakeCloseRequest());
  EXPECT_TRUE(run.MayClose());
  EXPECT_TRUE(host.shown.empty());
}

TEST_F(SaverRunTest, MouseExitNeedsMoreThanAHundredPixelsAlongOneAxisBetweenTwoTicks) {
  StartFullScreen();
  EXPECT_FALSE(TickWithPointerAt({500, 400}));                                          // the first reading
  EXPECT_FALSE(TickWithPointerAt({600, 500}));                                          // 100 along x and y together
  EXPECT_FALSE(TickWithPointerAt({700, 400}));                                          // exactly 100
  for (int i = 1; i <= 100; ++i) EXPECT_FALSE(TickWithPointerAt({700 + 60 * i, 400}));  // slow drift
  EXPECT_TRUE(TickWithPointerAt({6700, 299}));                                          // 101 along y
  EXPECT_TRUE(TickWithPointerAt({6599, 299}));                                          // 101 along x

  // Reports between two wakes: the tick reads the latest; a jump after it is seen at the next.
  run.PointerAt({9000, 9000});
  EXPECT_FALSE(TickWithPointerAt({6599, 299}));
  EXPECT_TRUE(TickWithPointerAt({6700, 299}));
}

// At the fastest pace a brisk flick is judged over 36 ms, not over one 2 ms tick.
TEST_F(SaverRunTest, MouseExitAtTheFastestPaceJudgesAFlickOverThirtySixMilliseconds) {
  host.settings.fast = 50;
  StartFullScreen();
  bool ended = false;
  for (int tick = 1; tick <= 19 && !ended; ++tick) ended = TickWithPointerAt({500 + 20 * tick, 400});  // 10,000 px/s
  EXPECT_TRUE(ended);
}

// A wake at 60 Hz with the 2 ms pace: the ticks due, the exit checks once, what they drew.
TEST_F(SaverRunTest, AWakeTicksAsDueChecksTheExitsOnceAndReportsTheUnionOfTheChanges) {
  host.settings.fast = 50;
  StartFullScreen();
  EXPECT_EQ(run.Advance(clock).next_wake, clock + std::chrono::milliseconds(2));

  host.target->calls.clear();
  run.PointerAt({500, 400});
  const SaverRun::Wake wake = NextTick(std::chrono::microseconds(16'667));
  EXPECT_EQ(wake.ticks, 8);
  EXPECT_EQ(wake.next_wake, clock - std::chrono::microseconds(16'667) + std::chrono::milliseconds(18));
  ASSERT_FALSE(host.target->calls.empty());
  Damage drawn;
  for (const auto& call : host.target->calls)
    drawn.Add(Rect{call.x, call.y, call.x + call.width, call.y + call.height});
  EXPECT_EQ(wake.changed.Parts(), drawn.Parts());
  EXPECT_TRUE(NextTick(std::chrono::microseconds(33)).changed.Empty());

  // A restore joins the union (what the leaves covered since the last one) and starts the pace
  // afresh; a flick ends the wake's ticks.
  run.RestoreAndRestart();
  const SaverRun::Wake restored = NextTick(std::chrono::milliseconds(40));
  EXPECT_EQ(restored.ticks, 0);
  EXPECT_EQ(restored.changed.Bounds(), drawn.Bounds());
  run.PointerAt({900, 400});
  EXPECT_EQ(NextTick(std::chrono::milliseconds(10)).ticks, 1);
  EXPECT_TRUE(run.TakeCloseRequest());
}

// The rules a host runs on: Windows' settings (the mouse and any key with exit on input, Esc
// always, nothing behind the dialog), a Linux full screen's any input, a window's Esc alone.
TEST_F(SaverRunTest, InputEndsTheRunOnTheHostsRule) {
  host.settings.exit_on_input = false;
  StartFullScreen();
  EXPECT_FALSE(TickWithPointerAt({5000, 5000}));
  run.KeyPressed(Key::kOther);
  run.ButtonPressed();
  EXPECT_FALSE(run.TakeCloseRequest());
  run.KeyPressed(Key::kEscape);
  EXPECT_TRUE(run.TakeCloseRequest());
  run.ChangeSetting(SettingId::kExitOnInput, 1);
  run.KeyPressed(Key::kOther);
  EXPECT_TRUE(run.TakeCloseRequest());
  EXPECT_FALSE(TickWithPointerAt({0, 0}));  // the rule's first reading
  EXPECT_TRUE(TickWithPointerAt({5000, 5000}));
  run.HoldBehindDialog();
  EXPECT_FALSE(TickWithPointerAt({0, 0}));

  Make({InputRule::kAnyInput});
  host.settings.exit_on_input = false;  // the Linux programs' full screen ends on any input
  StartFullScreen();
  run.ButtonPressed();
  EXPECT_TRUE(run.TakeCloseRequest());
  EXPECT_FALSE(TickWithPointerAt({500, 400}));
  EXPECT_TRUE(TickWithPointerAt({500, 600}));

  Make({InputRule::kEscapeOnly});
  StartFullScreen();
  run.KeyPressed(Key::kOther);
  run.ButtonPressed();
  EXPECT_FALSE(TickWithPointerAt({5000, 5000}));
  run.KeyPressed(Key::kEscape);
  EXPECT_TRUE(run.TakeCloseRequest());
}

// Where the compositor gives the keys to other windows: once the saver has shown with a
// keyboard for the wait without getting it, a movement stands for a key press (said once);
// with the keyboard, or without one, a movement stays a reading of the mouse rule.
TEST_F(SaverRunTest, WithoutTheKeyboardAMovementStandsForAKey) {
  Make({InputRule::kAnyInput});
  StartFullScreen();
  run.KeyboardArrived(clock);
  run.Shown(clock);
  EXPECT_FALSE(NextTick(KeyboardFocusRule::kWait - std::chrono::milliseconds(1)).keys_went_elsewhere);
  run.PointerMoved({501, 400});
  EXPECT_FALSE(run.TakeCloseRequest());
  EXPECT_TRUE(NextTick(std::chrono::milliseconds(1)).keys_went_elsewhere);
  EXPECT_FALSE(NextTick().keys_went_elsewhere);
  run.PointerMoved({501, 400});
  EXPECT_TRUE(run.TakeCloseRequest());

  for (const bool focused : {true, false}) {
    Make({InputRule::kAnyInput});
    StartFullScreen();
    run.Shown(clock);
    if (focused) run.KeyboardArrived(clock), run.KeyboardFocused();
    EXPECT_FALSE(NextTick(std::chrono::seconds(10)).keys_went_elsewhere);
    run.PointerMoved({501, 400});
    EXPECT_FALSE(run.TakeCloseRequest());
  }
}

// With Random on, each cycle's own layout leaves the user's Algorithm as it is; what the screen
// shows (the Windows dialog's slider, its Save) is the primary's cycle.
TEST_F(SaverRunTest, ARandomCycleKeepsTheUsersAlgorithm) {
  host.settings.algorithm = 12;  // never a random pick
  host.settings.random_algorithm = true;
  StartFullScreen();
  const uint8_t shown = run.SettingsOnScreen().algorithm;
  EXPECT_LT(shown, 10);
  EXPECT_EQ(shown, state().cycle.algorithm);
  EXPECT_EQ(run.CurrentSettings().algorithm, 12);
  run.ChangeSetting(SettingId::kAlgorithm, shown);  // what the screen shows: no restart
  EXPECT_TRUE(host.shown.empty());
  EXPECT_EQ(run.CurrentSettings().algorithm, shown);
  run.ChangeSetting(SettingId::kRandomAlgorithm, 0);
  run.RestoreAndRestart();
  EXPECT_EQ(run.State(0).cycle.algorithm, shown);
}

TEST_F(SaverRunTest, PreviewEndsWhenItsHostNoLongerShowsIt) {
  Make({}, RunMode::kPreview);
  ASSERT_TRUE(run.Start(now, "1"));
  run.Advance(clock);
  EXPECT_FALSE(TickWithPointerAt({5000, 5000}));  // the pointer does not end a preview
  EXPECT_FALSE(TickWithPointerAt({0, 0}));
  host.preview_shown = false;
  NextTick(std::chrono::milliseconds(kPreviewTickInterval));
  EXPECT_TRUE(run.TakeCloseRequest());
}

TEST_F(SaverRunTest, CloseDecisionByMode) {
  // Behind the dialog: refused until the dialog allows it, then granted without a restore.
  StartFullScreen();
  run.HoldBehindDialog();
  EXPECT_FALSE(run.MayClose());
  run.GrantClose();
  EXPECT_TRUE(run.MayClose());
  EXPECT_TRUE(host.shown.empty());
  // Full screen: restore, then grant; once closed, no second close.
  Make({});
  StartFullScreen();
  EXPECT_TRUE(run.MayClose());
  EXPECT_EQ(host.shown.size(), 1u);
  run.Close();
  EXPECT_FALSE(run.MayClose());
}

}  // namespace
}  // namespace ambervale
