#include "engine/saver_startup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/errors.h"

namespace ambervale {
namespace {

class FakeBitmap : public ArgbBitmap {
 public:
  FakeBitmap(int32_t width, int32_t height) : width_(width), height_(height), pixels_(width * height, 0) {}
  int32_t Width() const override { return width_; }
  int32_t Height() const override { return height_; }
  void PutArgb(int32_t x, int32_t y, Argb colour) override {
    if (x >= 0 && y >= 0 && x < width_ && y < height_) pixels_[y * width_ + x] = colour;
  }
  void PutArgbRows(const Argb* pixels) override {
    ++bulk_writes;
    pixels_.assign(pixels, pixels + static_cast<size_t>(width_) * height_);
  }
  Argb Pixel(int32_t x, int32_t y) const { return pixels_[y * width_ + x]; }
  int bulk_writes = 0;

 private:
  int32_t width_, height_;
  std::vector<Argb> pixels_;
};

class FakeTarget : public DrawTarget {
 public:
  explicit FakeTarget(uintptr_t dc) : dc(dc) {}
  void DrawScaled(const ArgbBitmap*, int32_t, int32_t, int32_t, int32_t) override {}
  uintptr_t dc;
};

// Records every platform call in order; the screen is a 40 x 30 picture whose pixel (x, y)
// is red x, green y, blue x + y.
class FakePlatform : public SaverPlatform {
 public:
  std::vector<std::string> calls;
  ScreenSize screen{40, 30};
  bool preview_exists = true;
  Rect preview_rect{100, 200, 252, 312};
  bool active = true;
  Point cursor{500, 400};
  std::vector<Point> cursor_script;  // consumed one reading at a time, then `cursor`
  bool fail_load = false;
  uint8_t fast = 33;
  bool key_exit = true;
  uint32_t interval = 30;
  int close_requests = 0;

  void LoadSettings(SaverState& state) override {
    calls.push_back("LoadSettings");
    if (fail_load) throw RegistryError("Failed to get data for 'Size'");
    state.settings.size = 12;
    state.settings.fast = fast;
    state.settings.exit_on_input = key_exit;
  }
  TimeOfDay UtcTimeOfDay() override {
    calls.push_back("Time");
    return {13, 45, 7, 250};
  }
  ScreenSize PrimaryScreenSize() override {
    calls.push_back("ScreenSize");
    return screen;
  }
  bool WindowRect(int32_t window, Rect& rect) override {
    calls.push_back("WindowRect " + std::to_string(window));
    rect = preview_rect;
    return preview_exists;
  }
  uintptr_t ScreenDC() override {
    calls.push_back("ScreenDC");
    return 0x51;
  }
  uintptr_t WindowDC(int32_t window) override {
    calls.push_back("WindowDC " + std::to_string(window));
    return 0x77;
  }
  void CaptureScreen(Dib& surface) override {
    calls.push_back("CaptureScreen");
    for (int32_t y = 0; y < std::min(surface.Height(), screen.height); ++y)
      for (int32_t x = 0; x < std::min(surface.Width(), screen.width); ++x)
        surface.PutPixel(x, y, PackRgb(x, y, x + y));
  }
  std::unique_ptr<DrawTarget> CreateDrawTarget(uintptr_t dc) override {
    calls.push_back("DrawTarget " + std::to_string(dc));
    return std::make_unique<FakeTarget>(dc);
  }
  std::unique_ptr<ArgbBitmap> CreateBitmap(int32_t width, int32_t height) override {
    calls.push_back("Bitmap " + std::to_string(width) + "x" + std::to_string(height));
    return std::make_unique<FakeBitmap>(width, height);
  }
  void SetTimerInterval(uint32_t milliseconds) override {
    calls.push_back("Interval " + std::to_string(milliseconds));
    interval = milliseconds;
  }
  Point CursorPos() override {
    calls.push_back("Cursor");
    if (cursor_script.empty()) return cursor;
    Point p = cursor_script.front();
    cursor_script.erase(cursor_script.begin());
    return p;
  }
  void SetScreensaverRunning(bool running) override { calls.push_back(running ? "Running 1" : "Running 0"); }
  bool IsActiveWindow() override { return active; }
  void RequestClose() override { ++close_requests; }
  void StartCycle() override { calls.push_back("UpAlgorithm"); }
  void BuildSprite() override { calls.push_back("Snowflake"); }
  void RestoreAndRestart() override { calls.push_back("UpScreen"); }
};

struct SaverLifecycleTest : ::testing::Test {
  // The state is large (grid tables); keep it off the stack.
  std::unique_ptr<SaverState> owned = std::make_unique<SaverState>();
  SaverState& state = *owned;
  Random random;
  FakePlatform platform;
  SaverLifecycle saver{state, random, platform};

  void StartFullScreen() {
    state.run_mode = RunMode::kFullScreen;
    ASSERT_TRUE(saver.Start(std::nullopt));
    platform.calls.clear();
  }
  // A tick's mouse check with the cursor at `to`.
  void MoveCursorTo(Point to) {
    platform.cursor = to;
    saver.ExitChecks();
  }
};

TEST(RunModeTest, FirstCharacterDroppedNextUpperCased) {
  for (const char* arg : {"/s", "-s", "/S", "xs"}) EXPECT_EQ(ParseRunMode(arg), 'S') << arg;
  EXPECT_EQ(ParseRunMode("/z"), 'Z');
  for (const char* arg : {"/c", "/C", "/c:1234"}) EXPECT_EQ(ParseRunMode(arg), 'C') << arg;
  EXPECT_EQ(ParseRunMode("/a"), 'A');
  EXPECT_EQ(ParseRunMode("/p"), 'P');
  EXPECT_EQ(ParseRunMode("s"), 0);
  EXPECT_EQ(ParseRunMode(""), 0);
  // Only a..z change case.
  EXPECT_EQ(ParseRunMode("/1"), '1');
  EXPECT_EQ(ParseRunMode("/\xe9"), '\xe9');
}

TEST(PreviewHandleTest, DecimalIntegersAndTheConversionMessage) {
  EXPECT_EQ(ParsePreviewHandle("1234"), 1234);
  EXPECT_EQ(ParsePreviewHandle("  -7"), -7);
  EXPECT_EQ(ParsePreviewHandle("+2147483647"), 2147483647);
  EXPECT_EQ(ParsePreviewHandle("-2147483648"), INT32_MIN);
  for (const char* bad : {"abc", "", "12x", "2147483648", "-", "1 2", "99999999999999999999"}) {
    try {
      ParsePreviewHandle(bad);
      ADD_FAILURE() << bad;
    } catch (const ConvertError& error) {
      EXPECT_EQ(std::string(error.what()), std::string("'") + bad + "' is not a valid integer value");
    }
  }
}

TEST(TickIntervalTest, PaceFromFastWithAFloor) {
  EXPECT_EQ(TickInterval(0), 102u);
  EXPECT_EQ(TickInterval(33), 36u);
  EXPECT_EQ(TickInterval(50), 2u);
  EXPECT_EQ(TickInterval(51), 2u);
  EXPECT_EQ(TickInterval(255), 2u);
}

TEST_F(SaverLifecycleTest, FullScreenStartUpOrderAndResults) {
  platform.screen = {1024, 768};
  state.run_mode = RunMode::kFullScreen;
  ASSERT_TRUE(saver.Start(std::nullopt));
  const std::vector<std::string> expected = {
      "LoadSettings", "Time",        "ScreenSize", "ScreenDC", "DrawTarget 81", "Bitmap 100x100",
      "Interval 36",  "UpAlgorithm", "Snowflake",  "Cursor",   "Running 1"};
  EXPECT_EQ(platform.calls, expected);
  EXPECT_TRUE(saver.Started());
  EXPECT_EQ(random.seed(), TimeOfDaySeed(13, 45, 7, 250));
  EXPECT_EQ(state.grid.surface_width, 1024);
  EXPECT_EQ(state.grid.cols, 18);
  EXPECT_EQ(state.sprite.dib.Width(), 100);
  EXPECT_EQ(state.sprite.dib.Depth(), 24);
  EXPECT_EQ(state.screen_dib.Depth(), 24);
  EXPECT_LE(state.screen_dib.Width(), 1);  // no capture in full screen: left unsized
  EXPECT_EQ(state.sprite.rect, (Rect{0, 0, 100, 100}));
  EXPECT_EQ(state.target_dc, 0x51u);
  EXPECT_EQ(state.sprite.bitmap->Width(), 100);
  EXPECT_EQ(state.desktop_picture, nullptr);
  EXPECT_EQ(state.last_cursor, (Point{500, 400}));
  for (int32_t y : {0, 99}) EXPECT_EQ(state.sprite.dib.RowBytes(y)[3 * 99], 0);
}

TEST_F(SaverLifecycleTest, PreviewStartUpCapturesTheDesktopAndRestoresBeforeTheFirstLayout) {
  state.run_mode = RunMode::kPreview;
  platform.fast = 0;  // preview keeps its 30 ms whatever Fast is
  ASSERT_TRUE(saver.Start("1234"));
  const std::vector<std::string> expected = {
      "LoadSettings", "Time",          "WindowRect 1234", "ScreenSize",  "CaptureScreen", "Bitmap 40x30",
      "WindowDC 1234", "DrawTarget 119", "Bitmap 20x20",  "UpScreen",    "UpAlgorithm",   "Snowflake",
      "Cursor",        "Running 1"};
  EXPECT_EQ(platform.calls, expected);
  EXPECT_EQ(state.grid.surface_width, 152);
  EXPECT_EQ(state.grid.surface_height, 112);
  EXPECT_EQ(state.sprite.rect, (Rect{0, 0, 20, 20}));
  EXPECT_EQ(state.screen_dib.Width(), 40);
  EXPECT_EQ(state.screen_dib.Height(), 30);
  // The capture arrives upright and opaque, through one bulk write.
  auto* capture = static_cast<FakeBitmap*>(state.desktop_picture.get());
  EXPECT_EQ(capture->bulk_writes, 1);
  EXPECT_EQ(capture->Pixel(0, 0), PackArgb(255, 0, 0, 0));
  EXPECT_EQ(capture->Pixel(39, 0), PackArgb(255, 39, 0, 39));
  EXPECT_EQ(capture->Pixel(5, 29), PackArgb(255, 5, 29, 34));
}

// Screens beyond 1501 x 2001 pixels: the capture planes follow the screen, so the whole
// desktop arrives, its far corner included, in either orientation.
TEST_F(SaverLifecycleTest, PreviewCapturesScreensLargerThanTheDesignTimePlanes) {
  for (ScreenSize screen : {ScreenSize{7680, 4320}, ScreenSize{4320, 7680}}) {
    auto fresh = std::make_unique<SaverState>();
    fresh->run_mode = RunMode::kPreview;
    FakePlatform big;
    big.screen = screen;
    SaverLifecycle lifecycle{*fresh, random, big};
    ASSERT_TRUE(lifecycle.Start("1234"));
    const int32_t x = screen.width - 1, y = screen.height - 1;
    auto* capture = static_cast<FakeBitmap*>(fresh->desktop_picture.get());
    EXPECT_EQ(capture->Width(), screen.width);
    EXPECT_EQ(capture->Pixel(x, y), PackArgb(255, x, y, x + y));
  }
}

TEST_F(SaverLifecycleTest, FailedStartUpsStopAtTheirStepAndNeverTouchTheSurfaces) {
  // Unparsable or missing handle: the message names the text, nothing after the conversion.
  for (std::optional<std::string_view> arg : {std::optional<std::string_view>("abc"), std::optional<std::string_view>()}) {
    platform.calls.clear();
    state.run_mode = RunMode::kPreview;
    SaverLifecycle lifecycle(state, random, platform);
    EXPECT_THROW(lifecycle.Start(arg), ConvertError);
    EXPECT_EQ(platform.calls, (std::vector<std::string>{"LoadSettings", "Time"}));
    EXPECT_EQ(lifecycle.phase(), SaverLifecycle::Phase::kFailed);
    EXPECT_EQ(state.sprite.bitmap, nullptr);
    EXPECT_EQ(state.target, nullptr);
  }
  // A registry error stops at the first step.
  platform.calls.clear();
  platform.fail_load = true;
  state.run_mode = RunMode::kFullScreen;
  EXPECT_THROW(saver.Start(std::nullopt), RegistryError);
  EXPECT_EQ(platform.calls, std::vector<std::string>{"LoadSettings"});

  // Neither the ticks nor the close touch anything; the close is granted without a restore
  // and the flag that was never set is not cleared.
  platform.calls.clear();
  state.behind_dialog = true;  // even a settings run ends
  saver.ExitChecks();
  EXPECT_EQ(platform.close_requests, 0);
  EXPECT_TRUE(saver.MayClose());
  saver.Close();
  EXPECT_TRUE(platform.calls.empty());
}

TEST_F(SaverLifecycleTest, PreviewHandleNamingNoWindowFailsQuietly) {
  state.run_mode = RunMode::kPreview;
  platform.preview_exists = false;
  EXPECT_FALSE(saver.Start("4242"));
  EXPECT_FALSE(saver.Started());
  EXPECT_EQ(platform.calls.back(), "WindowRect 4242");
  EXPECT_TRUE(saver.MayClose());
}

TEST_F(SaverLifecycleTest, MouseExitNeedsMoreThanAHundredPixelsAlongOneAxisBetweenTwoTicks) {
  StartFullScreen();
  MoveCursorTo({600, 500});  // 100 along x and y together
  MoveCursorTo({700, 400});  // exactly 100
  for (int i = 1; i <= 100; ++i) MoveCursorTo({700 + 60 * i, 400});  // slow long drift
  EXPECT_EQ(platform.close_requests, 0);
  MoveCursorTo({6700, 299});  // 101 along y
  EXPECT_EQ(platform.close_requests, 1);
  MoveCursorTo({6599, 299});  // 101 along x
  EXPECT_EQ(platform.close_requests, 2);
}

TEST_F(SaverLifecycleTest, MouseJumpJustAfterATicksReadingEndsTheRunAtTheNextTick) {
  StartFullScreen();
  // The cursor jumps by 101 right after this tick reads it; a second read within the same
  // tick would swallow the jump.
  platform.cursor_script = {{500, 400}, {601, 400}};
  platform.cursor = {601, 400};
  saver.ExitChecks();
  EXPECT_EQ(state.last_cursor, (Point{500, 400}));
  saver.ExitChecks();
  EXPECT_EQ(platform.close_requests, 1);
}

TEST_F(SaverLifecycleTest, MouseExitOnlyWithKeyExitOutsideSettingsAndPreview) {
  platform.key_exit = false;
  StartFullScreen();
  MoveCursorTo({5000, 5000});
  EXPECT_EQ(platform.close_requests, 0);
  EXPECT_TRUE(platform.calls.empty());  // the cursor is not even read

  state.settings.exit_on_input = true;
  state.behind_dialog = true;
  MoveCursorTo({0, 0});
  EXPECT_EQ(platform.close_requests, 0);

  state.behind_dialog = false;
  state.run_mode = RunMode::kPreview;
  MoveCursorTo({5000, 5000});
  EXPECT_EQ(platform.close_requests, 0);
}

TEST_F(SaverLifecycleTest, PreviewEndsWhenTheWindowLosesTheActivation) {
  state.run_mode = RunMode::kPreview;
  ASSERT_TRUE(saver.Start("1"));
  saver.ExitChecks();
  EXPECT_EQ(platform.close_requests, 0);
  platform.active = false;
  saver.ExitChecks();
  EXPECT_EQ(platform.close_requests, 1);
  // Full screen ignores the activation.
  state.run_mode = RunMode::kFullScreen;
  saver.ExitChecks();
  EXPECT_EQ(platform.close_requests, 1);
}

TEST_F(SaverLifecycleTest, KeyExit) {
  StartFullScreen();  // Key_Exit on: any key
  saver.OnKeyDown(' ');
  saver.OnKeyDown(kEscapeKey);
  EXPECT_EQ(platform.close_requests, 2);
  state.settings.exit_on_input = false;  // off: Esc alone
  saver.OnKeyDown(' ');
  saver.OnKeyDown('A');
  EXPECT_EQ(platform.close_requests, 2);
  saver.OnKeyDown(kEscapeKey);
  EXPECT_EQ(platform.close_requests, 3);
}

TEST_F(SaverLifecycleTest, CloseDecisionByMode) {
  // Full screen: restore, then grant; the flag is cleared at the close.
  StartFullScreen();
  EXPECT_TRUE(saver.MayClose());
  EXPECT_TRUE(state.close_allowed);
  saver.Close();
  EXPECT_EQ(platform.calls, (std::vector<std::string>{"UpScreen", "Running 0"}));

  // Settings run: refused until the dialog allows it, then granted without a restore.
  state.close_allowed = false;
  state.run_mode = RunMode::kFullScreen;
  SaverLifecycle held(state, random, platform);
  ASSERT_TRUE(held.Start(std::nullopt));
  state.behind_dialog = true;
  platform.calls.clear();
  EXPECT_FALSE(held.MayClose());
  EXPECT_FALSE(held.MayClose());
  state.close_allowed = true;
  EXPECT_TRUE(held.MayClose());
  EXPECT_TRUE(platform.calls.empty());

  // Preview: granted at once, no restore.
  state.close_allowed = false;
  state.behind_dialog = false;
  state.run_mode = RunMode::kPreview;
  SaverLifecycle preview(state, random, platform);
  ASSERT_TRUE(preview.Start("9"));
  platform.calls.clear();
  EXPECT_TRUE(preview.MayClose());
  EXPECT_TRUE(state.close_allowed);
  EXPECT_TRUE(platform.calls.empty());
}

}  // namespace
}  // namespace ambervale
