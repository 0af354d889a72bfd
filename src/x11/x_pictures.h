// Reading pictures from the X server: the daemon's screenshot of the desktop and a grab of
// what a window shows. Pixels come back as 0x00RRGGBB, top row first.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace ambervale {

// Catches the X errors of the requests made during its life instead of letting Xlib's
// default handler end the process (a window that vanished, a pixmap that went away).
class XErrorTrap {
 public:
  explicit XErrorTrap(Display* display);
  ~XErrorTrap();
  XErrorTrap(const XErrorTrap&) = delete;
  XErrorTrap& operator=(const XErrorTrap&) = delete;
  // Waits for the server to answer what was sent so far; true when any of it failed.
  bool Failed();

 private:
  Display* display_;
  int (*previous_)(Display*, XErrorEvent*);
};

// After start-up, an X error no longer ends the process: the window we draw on may vanish
// before we are told to stop (the daemon tears down its windows). The error is noted instead,
// and TakeLastingError() tells whether one came since the last call.
void InstallLastingErrorHandler();
bool TakeLastingError();

// Width x height pixels of the drawable from (x, y); nothing when it cannot be read.
std::optional<std::vector<uint32_t>> ReadDrawable(Display* display, Drawable drawable, int x, int y, int width,
                                                  int height);

// What a window handed to us (a host's nested window, a preview window) shows before our first
// draw; nothing when it cannot be read or shows one colour all over (see ShowsAPicture).
std::optional<std::vector<uint32_t>> ReadWindowPicture(Display* display, Window window, int width, int height);

// The picture of the desktop that XScreenSaver saves on its window (the pixmap named by the
// _SCREENSAVER_SCREENSHOT property), scaled to width x height; nothing when there is none.
std::optional<std::vector<uint32_t>> ReadDaemonScreenshot(Display* display, Window window, int width, int height);
bool HasDaemonScreenshot(Display* display, Window window);

// Whether the window is a child of another window rather than of the root (MATE hands its
// hacks such a child, where XScreenSaver gives its own top-level window).
bool IsNestedWindow(Display* display, Window window);

// The 0x00RRGGBB layout itself: 32 bits a pixel, least significant byte first, red in bits
// 16..23. Rows then copy as they are.
bool IsNativeLayout(const XImage* image);

// Copies 0x00RRGGBB pixels (stride in pixels) into an image of any TrueColor layout.
void StorePixels(XImage* image, const uint32_t* pixels, int stride, int x, int y, int width, int height);

}  // namespace ambervale
