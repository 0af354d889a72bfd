#include "win32/saver_window.h"

#include <stdlib.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "win32/application.h"
#include "assets/leaves/leaf_pictures.h"
#include "engine/geometry.h"
#include "engine/monitor_set.h"
#include "engine/saver_engine.h"
#include "engine/saver_startup.h"
#include "settings/settings_store.h"
#include "win32/win_registry.h"
#include "win32/composited_window.h"
#include "win32/display_watch.h"
#include "win32/gdiplus_objects.h"
#include "win32/monitors.h"
#include "win32/screen_dc.h"
#include "win32/screen_patch_target.h"
#include "win32/tick_timer.h"

namespace ambervale {
namespace {

constexpr char kWindowClass[] = "TForm1";
constexpr char kCaption[] = "Ambervale Screensaver";
constexpr int kLeft = 459;
constexpr int kTop = 281;
constexpr int kClientWidth = 592;
constexpr int kClientHeight = 538;

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

HWND WindowFromHandle(int32_t handle) {
  // Window handles are 32-bit values, sign-extended on 64-bit Windows.
  return reinterpret_cast<HWND>(static_cast<intptr_t>(handle));
}

std::vector<std::string> ProcessArguments() {
  std::vector<std::string> arguments;
  for (int i = 0; i < __argc; ++i) arguments.emplace_back(__argv[i] ? __argv[i] : "");
  return arguments;
}

class SaverWindow final : public TForm1, private SaverHost, private SaverPlatform {
 public:
  explicit SaverWindow(SaverState& state)
      : state_(state),
        leaves_(LeafImageSet::PictureSource(LeafPictureBytes), ScreenPictureDepth()),
        engine_(state, random_, leaves_, *this),
        lifecycle_(state, random_, *this) {}

  void Create();

  HWND Handle() const override { return window_; }
  SaverState& State() override { return state_; }
  bool Started() const override { return lifecycle_.Started(); }

  // The dialog's restore, and the start-up's and the close decision's: nothing to restore
  // before the start-up has made its surfaces or after it failed.
  void UpScreen() override {
    const auto phase = lifecycle_.phase();
    if (phase == SaverLifecycle::Phase::kCreating || phase == SaverLifecycle::Phase::kRunning) engine_.UpScreen();
  }
  void SetTimerInterval(uint32_t milliseconds) override { timer_.SetInterval(milliseconds); }
  void CloseSaver() override {
    if (IsWindow(window_)) SendMessageA(window_, WM_CLOSE, 0, 0);
  }

 private:
  static LRESULT CALLBACK StaticWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam);

  void FormCreate();
  void Timer1Timer();
  void OnClose();
  void SpreadOverMonitors();
  void FollowDisplayChange();

  // SaverHost
  void RunExitChecks() override { lifecycle_.ExitChecks(); }
  void SetTimerEnabled(bool on) override { timer_.SetEnabled(on); }
  void RepaintDesktop() override {
    if (composited_) return composited_->Restore();
    // As one monitor's area is repainted, never through the wallpaper setting: asked for with
    // no path, that would put back the system's default wallpaper.
    RepaintDesktopArea(VirtualScreenRect());
  }
  void RepaintArea(const Rect& area) override {
    if (composited_) return composited_->Restore(area);
    RepaintDesktopArea(area);
  }

  // SaverPlatform
  void LoadSettings(SaverState& state) override { ambervale::LoadSettings(state, registry_); }
  TimeOfDay UtcTimeOfDay() override {
    SYSTEMTIME now;
    GetSystemTime(&now);
    return {now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
  }
  ScreenSize PrimaryScreenSize() override { return {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}; }
  bool WindowRect(int32_t handle, Rect& rect) override {
    HWND window = WindowFromHandle(handle);
    RECT r;
    if (!IsWindow(window) || !GetWindowRect(window, &r)) return false;
    rect = Rect{r.left, r.top, r.right, r.bottom};
    return true;
  }
  uintptr_t ScreenDC() override {
    if (composited_) {
      composited_->AttachFullScreen(window_);
      return 0;
    }
    target_dc_ = std::make_unique<WindowDc>(nullptr);
    return reinterpret_cast<uintptr_t>(target_dc_->get());
  }
  uintptr_t WindowDC(int32_t handle) override {
    preview_host_ = WindowFromHandle(handle);
    if (composited_) {
      composited_->AttachPreview(preview_host_);
      return 0;
    }
    target_dc_ = std::make_unique<WindowDc>(preview_host_);
    return reinterpret_cast<uintptr_t>(target_dc_->get());
  }
  void CaptureScreen(TDIB& surface) override {
    ambervale::ScreenDC screen;
    surface.CopyFromScreen(screen);
  }
  std::unique_ptr<DrawTarget> CreateDrawTarget(uintptr_t dc) override {
    if (composited_) return composited_->CreateTarget();
    return std::make_unique<TGPGraphics>(reinterpret_cast<HDC>(dc));
  }
  std::unique_ptr<ArgbBitmap> CreateBitmap(int32_t width, int32_t height) override {
    if (composited_) return CompositedDrawing::CreateBitmap(width, height);
    return std::make_unique<TGPBitmap>(width, height);
  }
  Point CursorPos() override {
    POINT p{0, 0};
    GetCursorPos(&p);
    return Point{p.x, p.y};
  }
  void SetScreensaverRunning(bool running) override {
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING, running ? 1 : 0, nullptr, 0);
  }
  bool IsActiveWindow() override { return window_ && GetActiveWindow() == window_; }
  // Posted, so that a tick that asks for the close runs to its end first and the restore of
  // the close decision comes after its last draw.
  void RequestClose() override {
    if (IsWindow(window_)) PostMessageA(window_, WM_CLOSE, 0, 0);
  }
  void UpAlgorithm() override { engine_.UpAlgorithm(); }
  void Snowflake() override { engine_.Snowflake(); }

  SaverState& state_;
  Random random_;
  LeafImageSet leaves_;
  MonitorSet engine_;  // one engine per monitor; the primary's works on state_
  SaverLifecycle lifecycle_;
  WinRegistryRoot registry_;
  Timer1 timer_{[this] { Application::Instance().Guard([&] { Timer1Timer(); }); }};
  std::unique_ptr<WindowDc> target_dc_;
  std::unique_ptr<CompositedDrawing> composited_;  // null on the screen's device context
  DisplayWatch display_watch_;
  HWND preview_host_ = nullptr;
  HWND window_ = nullptr;
};

LRESULT CALLBACK SaverWindow::StaticWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lparam);
    auto* self = static_cast<SaverWindow*>(create->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<SaverWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (!self) return DefWindowProcA(window, message, wparam, lparam);
  return self->WindowProc(message, wparam, lparam);
}

LRESULT SaverWindow::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  Application& application = Application::Instance();
  switch (message) {
    case WM_TIMER:
      if (wparam == Timer1::kStandInTimerId) timer_.OnStandInTimer();
      if (wparam == DisplayWatch::kTimerId && display_watch_.Changed()) application.Guard([&] { FollowDisplayChange(); });
      return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      // System keys too: with Key_Exit off nothing but Esc may end the run, Alt+F4 included.
      application.Guard([&] { lifecycle_.FormKeyDown(static_cast<uint16_t>(wparam)); });
      return 0;
    case WM_SYSCHAR:
      return 0;
    case WM_ERASEBKGND:
      if (composited_) return 1;  // the paint covers every pixel
      return DefWindowProcA(window_, message, wparam, lparam);
    case WM_PAINT:
      if (composited_ && composited_->PaintSaverWindow()) return 0;
      return DefWindowProcA(window_, message, wparam, lparam);
    case WM_CLOSE:
      application.Guard([&] { OnClose(); });
      return 0;
    case WM_DISPLAYCHANGE:
      application.Guard([&] { FollowDisplayChange(); });
      return 0;
    case WM_DESTROY:
      timer_.Detach();
      application.WindowDestroyed(window_);
      return 0;
    default:
      return DefWindowProcA(window_, message, wparam, lparam);
  }
}

void SaverWindow::Timer1Timer() {
  // Nothing was made for a run whose start-up failed; and no tick runs under an error box.
  if (!lifecycle_.Started() || Application::Instance().ShowingException()) return;
  // The host dropped its preview window without taking the activation from the saver: there
  // is nowhere left to paint, so the preview ends as it does on deactivation.
  if (preview_host_ && !IsWindow(preview_host_)) return RequestClose();
  engine_.Timer1Timer();
}

void SaverWindow::OnClose() {
  if (!lifecycle_.FormCloseQuery()) return;
  lifecycle_.FormClose();
  DestroyWindow(window_);
}

void SaverWindow::FormCreate() {
  const std::vector<std::string> arguments = ProcessArguments();
  std::optional<std::string_view> preview_argument;
  if (arguments.size() > 2) preview_argument = arguments[2];
  if (!lifecycle_.FormCreate(preview_argument) || state_.RunMode == 'P') return;
  SpreadOverMonitors();
  display_watch_.Start(window_);
}

void SaverWindow::SpreadOverMonitors() {
  // Both targets take virtual-screen coordinates: GetDC(null) spans every monitor with its
  // (0, 0) at the primary's top-left corner, and so does the composited back buffer's target,
  // which every monitor's engine can share.
  std::unique_ptr<DrawTarget> whole_screen;
  if (!composited_ && target_dc_) whole_screen = std::make_unique<ScreenPatchTarget>(target_dc_->get());
  engine_.SpreadOver(DisplayMonitors(), std::move(whole_screen), Point{0, 0},
                     [this](int32_t width, int32_t height) { return CreateBitmap(width, height); });
}

// WM_DISPLAYCHANGE: a resolution changed, or a monitor came or went. Every monitor starts
// afresh on the new geometry and nothing of the old screen stays: the screen path repaints
// the whole desktop, the composited window covers the new virtual screen with a new picture.
void SaverWindow::FollowDisplayChange() {
  const ScreenSize screen = PrimaryScreenSize();
  if (!lifecycle_.Started() || state_.RunMode == 'P' || screen.width <= 0 || screen.height <= 0) return;
  engine_.Forget();
  ApplyFullScreenGeometry(state_, screen.width, screen.height);
  if (composited_) {
    composited_->FollowDisplayChange(window_);
  } else {
    state_.TargetDC = ScreenDC();
    RepaintDesktop();
  }
  state_.TargetGraphics = CreateDrawTarget(state_.TargetDC);
  SpreadOverMonitors();
  engine_.UpScreen();
  display_watch_.Remember();
}

void SaverWindow::Create() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSEXA window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = StaticWindowProc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  window_class.lpszClassName = kWindowClass;
  RegisterClassExA(&window_class);

  if (CompositedDrawingWanted()) composited_ = std::make_unique<CompositedDrawing>();
  if (composited_ && state_.RunMode != 'P') {
    // The leaves show in this window: opaque, over every monitor.
    const Rect screen = VirtualScreenRect();
    CreateWindowExA(CompositedDrawing::WindowExStyle(), kWindowClass, kCaption, CompositedDrawing::WindowStyle(),
                    screen.left, screen.top, screen.Width(), screen.Height(), nullptr, nullptr, instance, this);
    if (!window_) return;
  } else {
    // Every pixel of the window is the transparent white, so it lets the mouse through as it
    // lets the eye; WS_EX_TRANSPARENT says so for window managers that hit-test the rectangle.
    CreateWindowExA(WS_EX_TOPMOST | WS_EX_LAYERED | WS_EX_TRANSPARENT, kWindowClass, kCaption, WS_POPUP, kLeft, kTop,
                    kClientWidth, kClientHeight, nullptr, nullptr, instance, this);
    if (!window_) return;
    // White is the transparent colour and the whole client area is white: the window is
    // see-through.
    SetLayeredWindowAttributes(window_, RGB(255, 255, 255), 0, LWA_COLORKEY);
  }
  timer_.Attach(window_);

  Application& application = Application::Instance();
  application.Guard([&] { FormCreate(); });
  // A run whose start-up failed has nothing to show: it ends once its message is read. Behind
  // the settings dialog it stays, so that "Save Settings" can write unreadable settings anew.
  if (!lifecycle_.Started() && state_.RunMode != 'C') RequestClose();

  // An opaque window whose start-up failed would only hide the desktop until it goes.
  if (lifecycle_.Started() || !composited_ || state_.RunMode == 'P') {
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
  }
  application.WindowCreated(window_);
}

}  // namespace

SaverState& TheSaverState() {
  // Lives until the process ends: its bitmaps and drawing target must never be released
  // after the graphics library has shut down.
  static SaverState* state = new SaverState();
  return *state;
}

TForm1* CreateSaverWindow() {
  static SaverWindow* window = nullptr;
  if (!window) {
    window = new SaverWindow(TheSaverState());
    window->Create();
  }
  return window;
}

}  // namespace ambervale
