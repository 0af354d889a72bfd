// What a platform gives a saver run, in the saver's words. The run (SaverRun) owns the rest:
// the start-up, the ticks, the cycles on every screen, the restores and the exit rules. Hosts
// (the Windows saver window, the X11 hack, the Wayland program, the settings window's preview)
// implement SaverHost, and PreviewHost only where the platform shows a preview in another
// program's window. Input goes the other way: the host reports it to the run (SaverRun::KeyPressed,
// ButtonPressed, PointerAt), which decides whether it ends the run.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "engine/settings.h"
#include "surfaces/drawing.h"
#include "surfaces/types.h"

namespace ambervale {

// The keys the run tells apart; the host translates its own key codes. kEscape is the key that
// ends a run under every rule (Esc; the X11 hack's own window takes q as well).
enum class Key : uint8_t { kEscape, kOther };

// Another program's window, named by the number the command line gives: the host turns it
// into a window of its own platform.
struct WindowReference {
  int64_t number = 0;
};

class SaverHost {
 public:
  virtual ~SaverHost() = default;

  // The user's settings to run with, read into `settings`. Raises when they cannot be read:
  // what was read before stays (the Windows dialog can save it anew), and the run does not start.
  virtual void LoadSettings(Settings& settings) = 0;
  // The full-screen surfaces: every screen (monitor, output) in the draw target's coordinates,
  // the primary first. Each gets its own grid, layouts and leaves.
  virtual std::vector<Rect> Screens() = 0;
  // One target over every screen, or over the preview.
  virtual std::unique_ptr<DrawTarget> CreateDrawTarget() = 0;
  virtual std::unique_ptr<ArgbBitmap> CreateBitmap(int32_t width, int32_t height) = 0;
  // A cycle ended: the desktop (or its picture) shows again under `area`, every leaf gone.
  virtual void ShowDesktop(const Rect& area) = 0;
};

// Hosts that show a small preview inside another program's window.
class PreviewHost {
 public:
  virtual ~PreviewHost() = default;
  struct Size {
    int32_t width = 0;
    int32_t height = 0;
  };
  // Takes the preview window named on the command line: its size, or nothing when the
  // reference names no window (the host has dropped its preview).
  virtual std::optional<Size> OpenPreview(WindowReference window) = 0;
  // The desktop as the preview shows it, already width x height: nothing screen-sized is kept.
  virtual std::unique_ptr<ArgbBitmap> DesktopPicture(int32_t width, int32_t height) = 0;
  // False once the preview's host no longer shows it (the saver lost the activation).
  virtual bool PreviewShown() = 0;
};

}  // namespace ambervale
