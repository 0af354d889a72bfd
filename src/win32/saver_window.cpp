#include "win32/saver_window.h"

#include <stdlib.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "win32/application.h"
#include "assets/leaves/leaf_pictures.h"
#include "run/frame_gate.h"
#include "run/monitor_set.h"
#include "engine/saver_engine.h"
#include "run/saver_run.h"
#include "run/saver_startup.h"
#include "win32/settings/settings_store.h"
#include "win32/win_registry.h"
#include "win32/composited_window.h"
#include "win32/drawing_failure.h"
#include "win32/desktop_picture.h"
#include "win32/display_watch.h"
#include "win32/gdiplus_objects.h"
#include "win32/monitors.h"
#include "win32/screen_dc.h"
#include "win32/screen_patch_target.h"
#include "win32/test_log.h"
#include "win32/wake_timer.h"
#include "win32/window.h"

namespace ambervale {
namespace {

constexpr char kWindowClass[] = "TForm1";
constexpr char kCaption[] = "Ambervale Screensaver";
// The see-through window's place on the screen. It shows nothing and lets the mouse through,
// so any place would do; it keeps the one it has always had, where tools that look for the
// saver's window find it. A borderless popup's client area is the whole window.
constexpr Rect kSeeThroughPlace{459, 281, 459 + 592, 281 + 538};

// A window's device context, given back when the owner goes (at the end of the run).
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  ~WindowDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

HWND WindowOf(WindowReference reference) {
  // Window handles are 32-bit values, sign-extended on 64-bit Windows.
  return reinterpret_cast<HWND>(static_cast<intptr_t>(static_cast<int32_t>(reference.number)));
}

std::vector<std::string> ProcessArguments() {
  std::vector<std::string> arguments;
  for (int i = 0; i < __argc; ++i) arguments.emplace_back(__argv[i] ? __argv[i] : "");
  return arguments;
}

// How often a wake looks again while an error box holds the ticks.
constexpr MonotonicTime kErrorBoxRecheck = std::chrono::milliseconds(100);

// The screen rectangle a window covers.
Rect WindowArea(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return Rect{r.left, r.top, r.right, r.bottom};
}

#ifdef AMBERVALE_PACE_TRACE
// Test builds only: a line on stderr about once a second with the ticks the run performed and
// the presents, for scripts/measure-pace.sh.
class PaceTrace {
 public:
  void Count(MonotonicTime now, int32_t ticks, bool presented) {
    ticks_ += ticks;
    presents_ += presented ? 1 : 0;
    if (last_ && now - *last_ < std::chrono::seconds(1)) return;
    last_ = now;
    std::fprintf(stderr, "pace ticks=%lld presents=%lld us=%lld\n", ticks_, presents_,
                 static_cast<long long>(now.count()));
    std::fflush(stderr);
  }

 private:
  long long ticks_ = 0;
  long long presents_ = 0;
  std::optional<MonotonicTime> last_;
};
#else
struct PaceTrace {
  void Count(MonotonicTime, int32_t, bool) {}
};
#endif

class SaverWindow final : public LiveSaver, private Window, private SaverHost, private PreviewHost {
 public:
  explicit SaverWindow(RunMode mode)
      : leaves_(LeafImageSet::PictureSource(LeafPictureBytes), ScreenPictureDepth()),
        run_(mode, leaves_, *this, this) {}
  // The window's destruction reaches its handler while the members it uses are still there.
  ~SaverWindow() override { Destroy(); }

  void Create();

  // LiveSaver: the dialog's changes go to the run; a drawing failure they meet ends the run.
  Settings CurrentSettings() const override { return run_.SettingsOnScreen(); }
  // A new cycle shows at once; a new pace's grid starts at the next wake, which comes at once.
  void ChangeSetting(SettingId id, int32_t value) override {
    drawing_.Run([&] { run_.ChangeSetting(id, value); });
    PresentNow();
    if (!closing_) wake_timer_.WakeAt(WakeTimer::Now());
  }
  void HoldBehindDialog() override { run_.HoldBehindDialog(); }
  // The run restores every screen now; the close is posted: the dialog that asks is owned by
  // this window and goes with it, so the close waits until the dialog's handler has returned.
  // No tick may draw on the restored screen before it arrives.
  void CloseSaver() override {
    drawing_.Run([&] { run_.ReleaseForClose(); });
    PresentNow();
    closing_ = true;
    wake_timer_.WakeAt(std::nullopt);
    RequestClose();
  }

 private:
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override;

  void Start();
  void Wake();
  // Where the next wake goes: the run's next tick, or on the composited path the display frame
  // that shows what waits (the ticks due by then run at that wake).
  std::optional<MonotonicTime> NextWake(std::optional<MonotonicTime> next_tick) const;
  // Drawing done outside a wake (the dialog's restore, the close's, a display change) is shown
  // at once.
  void PresentNow() {
    if (composited_) composited_->Present();
    frames_.PresentedAll();
  }
  void OnKeyPressed(Key key);
  void OnClose();
  void FollowDisplayChange();
  // Posted, so that a tick that asks for the close runs to its end first and the restore of
  // the close decision comes after its last draw.
  void RequestClose() {
    if (IsWindow(Handle())) PostMessageA(Handle(), WM_CLOSE, 0, 0);
  }
  void CloseIfRequested() {
    if (run_.TakeCloseRequest()) RequestClose();
  }

  // SaverHost
  // What was read before a bad value stays in the run's settings, for the dialog's Save.
  void LoadSettings(Settings& settings) override { ambervale::LoadSettings(settings, registry_); }
  std::vector<Rect> Screens() override {
    std::vector<Rect> monitors = DisplayMonitors();
    if (monitors.empty()) monitors.push_back(Rect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
    return monitors;
  }
  std::unique_ptr<DrawTarget> CreateDrawTarget() override;
  std::unique_ptr<ArgbBitmap> CreateBitmap(int32_t width, int32_t height) override {
    if (composited_) return CompositedDrawing::CreateBitmap(width, height);
    return std::make_unique<GdiplusBitmap>(width, height);
  }
  void ShowDesktop(const Rect& area) override {
    if (composited_) {
      composited_->Restore(area);
    } else {
      RepaintDesktopArea(area);
    }
    test_log_.Restored(area);
  }
  // Where the mouse is, for the run's mouse rule: the window lets the mouse through, so the
  // saver reads the cursor at every wake rather than hearing of its moves.
  void ReportCursor() {
    POINT p{0, 0};
    if (GetCursorPos(&p)) run_.PointerAt(Point{p.x, p.y});
  }

  // PreviewHost
  std::optional<Size> OpenPreview(WindowReference reference) override;
  std::unique_ptr<ArgbBitmap> DesktopPicture(int32_t width, int32_t height) override;
  bool PreviewShown() override { return Handle() && GetActiveWindow() == Handle(); }

  // After a failed drawing the close grants itself, and the restore is the system's own
  // repaint: the graphics that failed cannot be trusted to draw it.
  void EndAfterDrawingFailure() {
    run_.GrantClose();
    if (composited_) {
      composited_->Restore();
      PresentNow();
    } else {
      RepaintDesktopArea(VirtualScreenRect());
    }
    RequestClose();
  }

  LeafImageSet leaves_;
  SaverRun run_;
  WinRegistryRoot registry_;
  WakeTimer wake_timer_{[this] { Application::Instance().Guard([&] { Wake(); }); }};
  FrameGate frames_;      // the composited path's presents; what was drawn waits there
  bool closing_ = false;  // the dialog asked for the close: no more ticks
  PaceTrace trace_;
  TestLog test_log_;
  std::unique_ptr<WindowDc> target_dc_;
  std::unique_ptr<CompositedDrawing> composited_;  // null on the screen's device context
  DrawingFailureGuard drawing_{[](const std::string& message) { Application::Instance().ShowException(message); },
                               [this] { EndAfterDrawingFailure(); }};
  DisplayWatch display_watch_;
  HWND preview_host_ = nullptr;
};

std::unique_ptr<DrawTarget> SaverWindow::CreateDrawTarget() {
  if (preview_host_) {
    if (composited_) return composited_->CreateTarget();
    target_dc_ = std::make_unique<WindowDc>(preview_host_);
    return std::make_unique<GdiplusGraphics>(target_dc_->get());
  }
  // Both full-screen targets take virtual-screen coordinates: the screen's device context
  // spans every monitor with its (0, 0) at the primary's top-left corner, and so does the
  // composited back buffer's target.
  if (composited_) return composited_->CreateTarget();
  target_dc_ = std::make_unique<WindowDc>(nullptr);
  if (DisplayMonitors().size() > 1) return std::make_unique<ScreenPatchTarget>(target_dc_->get());
  return std::make_unique<GdiplusGraphics>(target_dc_->get());
}

std::optional<PreviewHost::Size> SaverWindow::OpenPreview(WindowReference reference) {
  HWND window = WindowOf(reference);
  RECT r;
  if (!IsWindow(window) || !GetWindowRect(window, &r)) return std::nullopt;
  preview_host_ = window;
  if (composited_) composited_->AttachPreview(preview_host_);
  return Size{r.right - r.left, r.bottom - r.top};
}

std::unique_ptr<ArgbBitmap> SaverWindow::DesktopPicture(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return nullptr;  // a host of no size shows no picture
  std::unique_ptr<ArgbBitmap> bitmap = CreateBitmap(width, height);
  std::vector<uint32_t> pixels = ScaledScreenPicture(width, height);
  if (!bitmap || pixels.empty()) return bitmap;
  for (uint32_t& pixel : pixels) pixel |= 0xFF000000u;  // opaque
  if (bitmap->Width() == width && bitmap->Height() == height) bitmap->PutArgbRows(pixels.data());
  return bitmap;
}

LRESULT SaverWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  Application& application = Application::Instance();
  switch (message) {
    case WM_TIMER:
      if (wparam == WakeTimer::kStandInTimerId) wake_timer_.OnStandInTimer();
      if (wparam == DisplayWatch::kTimerId && display_watch_.Changed())
        application.Guard([&] { FollowDisplayChange(); });
      return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      // System keys too: with exit on input off nothing but Esc may end the run, Alt+F4 included.
      application.Guard([&] { OnKeyPressed(KeyOf(wparam)); });
      return 0;
    case WM_SYSCHAR: return 0;
    case WM_ERASEBKGND:
      if (composited_) return 1;  // the paint covers every pixel
      return DefaultHandling(message, wparam, lparam);
    case WM_PAINT:
      if (composited_ && composited_->PaintSaverWindow()) return 0;
      return DefaultHandling(message, wparam, lparam);
    case WM_CLOSE: application.Guard([&] { OnClose(); }); return 0;
    case WM_DISPLAYCHANGE: application.Guard([&] { FollowDisplayChange(); }); return 0;
    case WM_DESTROY:
      wake_timer_.Detach();
      application.WindowDestroyed(Handle());
      return 0;
    default: return DefaultHandling(message, wparam, lparam);
  }
}

void SaverWindow::Wake() {
  // Nothing was made for a run whose start-up failed or that is closing.
  if (!run_.Started() || closing_) return;
  const MonotonicTime now = WakeTimer::Now();
  // No tick runs under an error box; the run resumes from now once it is gone.
  if (Application::Instance().ShowingException()) return wake_timer_.WakeAt(now + kErrorBoxRecheck);
  // The host dropped its preview window without taking the activation from the saver: there
  // is nowhere left to paint, so the preview ends as it does on deactivation.
  if (preview_host_ && !IsWindow(preview_host_)) return RequestClose();
  SaverRun::Wake wake;
  ReportCursor();
  drawing_.Run([&] { wake = run_.Advance(now); });
  if (composited_) frames_.Add(wake.changed);
  const bool present = composited_ && frames_.TakeDue(now).has_value();
  if (present) PresentNow();
  trace_.Count(now, wake.ticks, present);
  wake_timer_.WakeAt(NextWake(wake.next_wake));
  CloseIfRequested();
}

std::optional<MonotonicTime> SaverWindow::NextWake(std::optional<MonotonicTime> next_tick) const {
  if (!composited_) return next_tick;
  return frames_.NextWake(next_tick);
}

void SaverWindow::OnKeyPressed(Key key) {
  run_.KeyPressed(key);
  CloseIfRequested();
}

void SaverWindow::OnClose() {
  const bool may_close = run_.MayClose();
  PresentNow();  // the close decision's restore
  if (!may_close) return;
  // Only a run that told the system it started tells it that it stopped.
  if (run_.Started()) SystemParametersInfoA(SPI_SCREENSAVERRUNNING, 0, nullptr, 0);
  run_.Close();
  Destroy();
}

void SaverWindow::Start() {
  const std::vector<std::string> arguments = ProcessArguments();
  std::optional<std::string_view> preview_argument;
  if (arguments.size() > 2) preview_argument = arguments[2];
  // The composited window shows a picture of the desktop, taken now, before the window shows.
  if (composited_ && run_.Mode() != RunMode::kPreview) composited_->AttachFullScreen(Handle());
  if (!run_.Start(UtcTimeOfDay(), preview_argument)) return;
  PresentNow();
  if (composited_) frames_.SetRefresh(HighestRefreshRate(WindowArea(preview_host_ ? preview_host_ : Handle())));
  // The first reading starts the pace.
  wake_timer_.WakeAt(NextWake(run_.Advance(WakeTimer::Now()).next_wake));
  SystemParametersInfoA(SPI_SCREENSAVERRUNNING, 1, nullptr, 0);
  if (run_.Mode() != RunMode::kPreview) display_watch_.Start(Handle());
}

// A resolution changed, or a monitor came or went. Nothing of the old screen stays: the screen
// path has the whole desktop repainted, the composited window covers the new virtual screen
// with a new picture; then every monitor starts afresh on the new geometry.
void SaverWindow::FollowDisplayChange() {
  if (!run_.Started() || run_.Mode() == RunMode::kPreview) return;
  if (composited_) {
    composited_->FollowDisplayChange(Handle());
  } else {
    RepaintDesktopArea(VirtualScreenRect());
  }
  drawing_.Run([&] { run_.FollowScreens(); });
  PresentNow();
  test_log_.ScreensFollowed(Screens().size());
  if (composited_) frames_.SetRefresh(HighestRefreshRate(WindowArea(preview_host_ ? preview_host_ : Handle())));
  display_watch_.Remember();
}

void SaverWindow::Create() {
  WNDCLASSEXA window_class{};
  window_class.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  window_class.lpszClassName = kWindowClass;
  RegisterWindowClass(window_class);

  if (CompositedDrawingWanted()) composited_ = std::make_unique<CompositedDrawing>();
  if (composited_ && run_.Mode() != RunMode::kPreview) {
    // The leaves show in this window: opaque, over every monitor.
    const Rect screen = VirtualScreenRect();
    if (!CreateHandle(CompositedDrawing::WindowExStyle(), kWindowClass, kCaption, CompositedDrawing::WindowStyle(),
                      screen.left, screen.top, screen.Width(), screen.Height(), nullptr))
      return;
  } else {
    // Every pixel of the window is the transparent white, so it lets the mouse through as it
    // lets the eye; WS_EX_TRANSPARENT says so for window managers that hit-test the rectangle.
    const Rect& place = kSeeThroughPlace;
    if (!CreateHandle(WS_EX_TOPMOST | WS_EX_LAYERED | WS_EX_TRANSPARENT, kWindowClass, kCaption, WS_POPUP, place.left,
                      place.top, place.Width(), place.Height(), nullptr))
      return;
    // White is the transparent colour and the whole client area is white: the window is
    // see-through.
    SetLayeredWindowAttributes(Handle(), RGB(255, 255, 255), 0, LWA_COLORKEY);
  }
  wake_timer_.Attach(Handle());

  Application& application = Application::Instance();
  application.Guard([&] { drawing_.Run([&] { Start(); }); });
  // A run whose start-up failed has nothing to show: it ends once its message is read. Behind
  // the settings dialog it stays, so that "Save Settings" can write unreadable settings anew.
  if (!run_.Started() && run_.Mode() != RunMode::kSettings) RequestClose();

  // An opaque window whose start-up failed would only hide the desktop until it goes.
  if (run_.Started() || !composited_ || run_.Mode() == RunMode::kPreview) {
    ShowWindow(Handle(), SW_SHOW);
    SetForegroundWindow(Handle());
  }
  application.WindowCreated(Handle());
}

}  // namespace

std::unique_ptr<LiveSaver> CreateSaverWindow(RunMode mode) {
  auto window = std::make_unique<SaverWindow>(mode);
  window->Create();
  return window;
}

}  // namespace ambervale
