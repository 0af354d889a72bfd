#include "win32/composited_window.h"

#include <algorithm>
#include <functional>
#include <string>

#include "surfaces/memory_surfaces.h"
#include "win32/desktop_picture.h"
#include "win32/gdi_handles.h"
#include "win32/window.h"
#include "win32/system_library.h"
#include "win32/test_log.h"

namespace ambervale {
namespace {

constexpr char kPreviewChildClass[] = "AmbervalePreview";

bool DesktopCompositionEnabled() {
  // dwmapi exists from Vista on; loaded only for this question.
  HMODULE dwm = LoadSystemLibrary("dwmapi.dll");
  if (!dwm) return false;
  using IsCompositionEnabled = HRESULT(WINAPI*)(BOOL*);
  const auto query = ExportedFunction<IsCompositionEnabled>(dwm, "DwmIsCompositionEnabled");
  BOOL enabled = FALSE;
  const bool on = query && SUCCEEDED(query(&enabled)) && enabled;
  FreeLibrary(dwm);
  return on;
}

// Copies the buffer's rectangle (buffer pixels, inside the buffer) to the same place of the
// device context. The DIB handed over is the band of the rectangle's rows, so that the source
// rows need no top-down or bottom-up reading.
void Blit(HDC dc, const BackBuffer& buffer, const Rect& r) {
  if (!dc || r.Width() <= 0 || r.Height() <= 0) return;
  const DibInfo info = TopDownInfo(buffer.Width(), r.Height());
  const uint32_t* band = buffer.Pixels() + static_cast<size_t>(r.top) * static_cast<size_t>(buffer.Width());
  SetDIBitsToDevice(dc, r.left, r.top, static_cast<DWORD>(r.Width()), static_cast<DWORD>(r.Height()), r.left, 0, 0,
                    static_cast<UINT>(r.Height()), band, reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS);
}

// The engine's TargetGraphics on the composited path: every draw lands in the back buffer, and
// the saver window presents what changed at most once per display frame.
class BufferTarget final : public DrawTarget {
 public:
  explicit BufferTarget(BackBuffer& buffer) : buffer_(buffer) {}
  void DrawScaled(const ArgbBitmap* bitmap, int32_t x, int32_t y, int32_t width, int32_t height) override {
    buffer_.DrawScaled(bitmap, x, y, width, height);
  }
  DrawStatus LastStatus() const override { return buffer_.LastStatus(); }
  void ClipTo(const Rect& area) override { buffer_.ClipTo(area); }

 private:
  BackBuffer& buffer_;
};

}  // namespace

bool CompositedDrawingWanted() {
  const std::string forced = EnvironmentValue("AMBERVALE_DRAWING");
  if (forced == "composited") return true;
  if (forced == "screen") return false;
  return DesktopCompositionEnabled();
}

Rect VirtualScreenRect() {
  const int32_t left = GetSystemMetrics(SM_XVIRTUALSCREEN);
  const int32_t top = GetSystemMetrics(SM_YVIRTUALSCREEN);
  const int32_t width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
  const int32_t height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
  if (width > 0 && height > 0) return Rect{left, top, left + width, top + height};
  return Rect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

CompositedView::CompositedView(HWND window, const Rect& area, Presenting presenting)
    : window_(window), buffer_(area.Width(), area.Height()), presenting_(presenting) {
  buffer_.SetOrigin(Point{area.left, area.top});
  if (presenting_ == Presenting::kChangedPart) window_dc_ = GetDC(window_);
}

CompositedView::~CompositedView() {
  if (window_dc_) ReleaseDC(window_, window_dc_);
}

std::unique_ptr<DrawTarget> CompositedView::CreateTarget() { return std::make_unique<BufferTarget>(buffer_); }

void CompositedView::Present() {
  const bool through_parent = presenting_ == Presenting::kWholeThroughParent;
  if (through_parent) buffer_.MarkAllDirty();
  const Rect dirty = buffer_.TakeDirty();
  if (dirty.Width() <= 0 || !IsWindow(window_)) return;
  // The child sits at the parent's client origin, so both share one set of coordinates.
  if (!through_parent) {
    Blit(window_dc_, buffer_, dirty);
    return;
  }
  HWND parent = GetParent(window_);
  HDC dc = GetDCEx(parent, nullptr, DCX_CACHE | DCX_CLIPSIBLINGS);
  Blit(dc, buffer_, dirty);
  if (dc) ReleaseDC(parent, dc);
}

void CompositedView::Paint() {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window_, &paint);
  const Rect invalid{paint.rcPaint.left, paint.rcPaint.top, paint.rcPaint.right, paint.rcPaint.bottom};
  if (presenting_ == Presenting::kChangedPart)
    Blit(dc, buffer_, Intersection(invalid, Rect{0, 0, buffer_.Width(), buffer_.Height()}));
  EndPaint(window_, &paint);
  if (presenting_ == Presenting::kWholeThroughParent) Present();
}

// A child window of ours inside the host's preview window that repaints itself from its back
// buffer: when the host repaints, the small desktop and its leaves come back.
class CompositedDrawing::PreviewChild final : public Window {
 public:
  static std::unique_ptr<PreviewChild> Create(HWND host) {
    RECT host_rect;
    if (!GetWindowRect(host, &host_rect)) return nullptr;
    auto child = std::unique_ptr<PreviewChild>(new PreviewChild());
    WNDCLASSEXA window_class{};
    window_class.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    window_class.lpszClassName = kPreviewChildClass;
    RegisterWindowClass(window_class);
    const int width = host_rect.right - host_rect.left;
    const int height = host_rect.bottom - host_rect.top;
    if (!child->CreateHandle(0, kPreviewChildClass, "", WS_CHILD | WS_VISIBLE | WS_DISABLED, 0, 0, width, height, host))
      return nullptr;
    child->view_ = std::make_unique<CompositedView>(child->Handle(), Rect{0, 0, width, height},
                                                    CompositedView::Presenting::kWholeThroughParent);
    return child;
  }

  CompositedView& View() { return *view_; }

 private:
  PreviewChild() = default;

  // The host may take its children with it when it goes; Handle() then turns null.
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) override {
    switch (message) {
      case WM_ERASEBKGND: return 1;  // the paint covers every pixel; erasing first would flicker
      case WM_PAINT:
        if (!view_) break;
        view_->Paint();
        return 0;
    }
    return DefaultHandling(message, wparam, lparam);
  }

  std::unique_ptr<CompositedView> view_;
};

CompositedDrawing::CompositedDrawing() : capture_blank_(EnvironmentValue("AMBERVALE_DESKTOP_CAPTURE") == "blank") {}

CompositedDrawing::~CompositedDrawing() = default;

void CompositedDrawing::AttachFullScreen(HWND saver_window) {
  full_screen_ = std::make_unique<CompositedView>(saver_window, VirtualScreenRect());
  TakeDesktopPicture(full_screen_->Buffer(), capture_blank_);
  full_screen_->Buffer().Restore();
}

namespace {

// Runs `capture` with the window left out of screen captures, where the system can (Windows 10
// 2004 and later); false, without running it, elsewhere.
bool CaptureWithout(HWND window, const std::function<void()>& capture) {
  using SetAffinity = BOOL(WINAPI*)(HWND, DWORD);
  constexpr DWORD kExcludeFromCapture = 0x11;  // WDA_EXCLUDEFROMCAPTURE
  static const auto set_affinity =
      ExportedFunction<SetAffinity>(GetModuleHandleA("user32.dll"), "SetWindowDisplayAffinity");
  if (!set_affinity || !set_affinity(window, kExcludeFromCapture)) return false;
  capture();
  set_affinity(window, 0);
  return true;
}

}  // namespace

// Without the system's help the window is never read back: what it covered keeps the
// picture it shows, and only the rest of the new screen is captured, before the window moves
// there. (Hiding the window for a capture raced the windows beneath, which repaint when their
// own programs get to it: on a busy machine the capture kept the window's last leaves, and
// every restore brought them back.)
void CompositedDrawing::FollowDisplayChange(HWND saver_window) {
  if (!full_screen_) return;
  const Rect screen = VirtualScreenRect();
  auto view = std::make_unique<CompositedView>(saver_window, screen);
  BackBuffer& picture = view->Buffer();
  if (!CaptureWithout(saver_window, [&] { TakeDesktopPicture(picture, capture_blank_); })) {
    TakeDesktopPicture(picture, capture_blank_);
    picture.CopyBackgroundFrom(full_screen_->Buffer());
  }
  picture.Restore();
  full_screen_ = std::move(view);
  SetWindowPos(saver_window, HWND_TOPMOST, screen.left, screen.top, screen.Width(), screen.Height(),
               SWP_NOACTIVATE | SWP_NOREDRAW);
  full_screen_->Present();
}

bool CompositedDrawing::AttachPreview(HWND host) {
  preview_ = PreviewChild::Create(host);
  return preview_ != nullptr;
}

std::unique_ptr<DrawTarget> CompositedDrawing::CreateTarget() {
  if (full_screen_) return full_screen_->CreateTarget();
  if (preview_) return preview_->View().CreateTarget();
  return nullptr;
}

std::unique_ptr<ArgbBitmap> CompositedDrawing::CreateBitmap(int32_t width, int32_t height) {
  return std::make_unique<MemoryBitmap>(width, height);
}

void CompositedDrawing::Restore() {
  if (full_screen_) full_screen_->Buffer().Restore();
}

void CompositedDrawing::Restore(const Rect& area) {
  if (full_screen_) full_screen_->Buffer().Restore(area);
}

void CompositedDrawing::Present() {
  if (full_screen_) full_screen_->Present();
  if (preview_) preview_->View().Present();
}

bool CompositedDrawing::PaintSaverWindow() {
  if (!full_screen_) return false;
  full_screen_->Paint();
  return true;
}

}  // namespace ambervale
