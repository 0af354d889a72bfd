// The desktop under the leaves where the compositor gives no wlr-screencopy: KWin's screenshot
// interface, the desktop portal's Screenshot, then the user's wallpaper placed as the desktop
// places it. Each source is asked at most once per run: one that fails is not asked again for
// the next screen. Everything waits a bounded time; nothing here shows a dialog or flashes.
// Uses GLib's GIO (GDBus for the calls that pass a pipe or wait for a signal, GSettings for
// GNOME's settings) and gdk-pixbuf (every format the desktops show, through the system's loaders).
#pragma once

#include <memory>
#include <string>

#include "linux/scale_picture.h"
#include "linux/wallpaper.h"

namespace ambervale {

class DesktopSources {
 public:
  DesktopSources();
  ~DesktopSources();
  DesktopSources(const DesktopSources&) = delete;
  DesktopSources& operator=(const DesktopSources&) = delete;

  // The picture of `screen` (within `desktop`, all screens) from the first source that gives
  // one; an empty picture when none does (Failures() says why).
  DesktopPicture PictureOf(const ScreenArea& screen, const ScreenArea& desktop);
  // Where the desktop portal asks the user once before its first picture, wait for the answer
  // (30 s at most) instead of withdrawing the question: for a caller the user is looking at.
  void LetPortalAsk();
  // A source the caller tried itself (wlr-screencopy), named among the failures.
  void Failed(const std::string& source, const std::string& why);
  // "source: why; source: why" for every source that gave nothing.
  const std::string& Failures() const { return failures_; }
  // The source of the last picture PictureOf gave.
  const std::string& LastSource() const { return last_source_; }
  // Which source this desktop will use, said without taking a picture (for the settings window).
  std::string ExpectedSource();

 private:
  struct Session;
  std::unique_ptr<Session> session_;
  std::string failures_;
  std::string last_source_;
};

// GNOME starts in its overview, where a saver's window shows as a thumbnail without the keyboard:
// close it through the Shell's OverviewActive property. Nothing where the Shell is absent or refuses.
void CloseGnomeOverview();

}  // namespace ambervale
