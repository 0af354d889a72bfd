// The composited drawing path: where desktop composition is on (always from Windows 8), what
// is drawn on the screen's device context is slow to draw and is wiped by any repaint
// beneath it, and a saver started on a desktop of its own sees no desktop at all. There the
// saver shows a picture of the desktop in a window of its own, blends the leaves onto a back
// buffer in memory and presents only the changed cell. The preview does the same in a child
// window of its own inside the host's preview window.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

#include "surfaces/back_buffer.h"
#include "surfaces/drawing.h"
#include "surfaces/types.h"

namespace ambervale {

// The composited path wherever desktop composition is on (DwmIsCompositionEnabled); the
// screen's device context elsewhere (Windows 7 without composition, Wine). Tests force
// either with AMBERVALE_DRAWING=composited or =screen.
bool CompositedDrawingWanted();

// The virtual screen: the rectangle around every monitor, in screen coordinates.
Rect VirtualScreenRect();

// A back buffer shown in a window: the window's client pixel (0, 0) is buffer pixel (0, 0).
class CompositedView {
 public:
  enum class Presenting {
    kChangedPart,  // the window's own device context, the changed rectangle only
    // A child window inside another program's window, which may paint over it at any time
    // without telling us: every present sends the whole (small) buffer, through the parent's
    // device context at the child's place. Wine shows nothing drawn through a child's own
    // device context when its parent belongs to another process; the parent's, unclipped by
    // its children, reaches the same pixels everywhere.
    kWholeThroughParent,
  };

  // `area`: the screen rectangle the window covers, whose top-left becomes the buffer's origin,
  // so that leaves placed in screen coordinates land where they belong.
  CompositedView(HWND window, const Rect& area, Presenting presenting = Presenting::kChangedPart);
  ~CompositedView();
  CompositedView(const CompositedView&) = delete;
  CompositedView& operator=(const CompositedView&) = delete;

  BackBuffer& Buffer() { return buffer_; }
  // A drawing target that blends into the buffer; Present shows what changed.
  std::unique_ptr<DrawTarget> CreateTarget();
  void Present();
  // WM_PAINT: the invalid part of the window, from the buffer.
  void Paint();

 private:
  HWND window_;
  BackBuffer buffer_;
  Presenting presenting_;
  // kChangedPart: the window's device context, taken once. A GetDC and ReleaseDC for each of
  // some 60 presents a second cost Wine several server round trips and a read of the X
  // resources file each time.
  HDC window_dc_ = nullptr;
};

// What the saver window needs of the composited path. Full screen and settings runs make the
// saver window itself the composited window; a preview keeps the saver window and draws into
// a child window of its own inside the host's.
class CompositedDrawing {
 public:
  // AMBERVALE_DESKTOP_CAPTURE=blank acts as if the screen capture came back blank (as on a
  // screensaver desktop), for tests.
  CompositedDrawing();
  ~CompositedDrawing();
  CompositedDrawing(const CompositedDrawing&) = delete;
  CompositedDrawing& operator=(const CompositedDrawing&) = delete;

  // The saver window's styles and place in a full-screen or settings run: a borderless
  // topmost window over the whole virtual screen.
  static DWORD WindowExStyle() { return WS_EX_TOPMOST; }
  static DWORD WindowStyle() { return WS_POPUP; }

  // The start-up's GetDC(null): the picture of the desktop is taken now, before the window
  // shows, into a back buffer over the whole virtual screen.
  void AttachFullScreen(HWND saver_window);
  // After a display change in a full-screen run: the saver window over the new virtual screen,
  // showing a picture of the desktop without leaves. Where the system can leave the window
  // out of a capture, a new one; elsewhere the picture the window showed where it lay, and a
  // new capture of the rest.
  void FollowDisplayChange(HWND saver_window);
  // The start-up's GetDC(preview window): a child window of ours over the host's client area,
  // the size of the host's window rectangle. False when the child cannot be made.
  bool AttachPreview(HWND host);

  std::unique_ptr<DrawTarget> CreateTarget();
  // The engine's bitmaps are blended in memory.
  static std::unique_ptr<ArgbBitmap> CreateBitmap(int32_t width, int32_t height);
  // A cycle's restore: the picture again in the back buffer, everywhere or on one monitor's
  // area, shown at the next Present. No wallpaper call.
  void Restore();
  void Restore(const Rect& area);
  // What the draws and restores changed since the last present goes to the screen.
  void Present();
  // WM_PAINT of the saver window; false when the saver window shows nothing of ours.
  bool PaintSaverWindow();

 private:
  class PreviewChild;

  bool capture_blank_ = false;
  std::unique_ptr<CompositedView> full_screen_;
  std::unique_ptr<PreviewChild> preview_;
};

}  // namespace ambervale
