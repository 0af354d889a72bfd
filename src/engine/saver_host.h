// What a platform gives a saver run, in the saver's words. The run (SaverRun) owns the rest:
// the start-up, the ticks, the cycles on every screen, the restores and the exit rules. Hosts
// (the Windows saver window, the X11 hack, the Wayland program) implement SaverHost, and the
// two optional capabilities only where the platform really has them.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "engine/settings.h"
#include "surfaces/drawing.h"
#include "surfaces/types.h"

namespace ambervale {

// The keys the run tells apart; the host translates its own key codes.
enum class Key : uint8_t { kEscape, kOther };

// Another program's window, named by the number the command line gives: the host turns it
// into a window of its own platform.
struct WindowReference {
  int64_t number = 0;
};

class SaverHost {
 public:
  virtual ~SaverHost() = default;

  // The settings to run with. Raises when they cannot be read: the run then does not start.
  virtual Settings LoadSettings() = 0;
  // The full-screen surfaces: every screen (monitor, output) in the draw target's coordinates,
  // the primary first. Each gets its own grid, layouts and leaves.
  virtual std::vector<Rect> Screens() = 0;
  // One target over every screen, or over the preview.
  virtual std::unique_ptr<DrawTarget> CreateDrawTarget() = 0;
  virtual std::unique_ptr<ArgbBitmap> CreateBitmap(int32_t width, int32_t height) = 0;
  // A cycle ended: the desktop (or its picture) shows again under `area`, every leaf gone.
  virtual void ShowDesktop(const Rect& area) = 0;
  // The run keeps the pace itself (SaverRun::Advance); a host that drives a timer of its own
  // hears of the pace and of the pause while a restore runs (on again restarts the interval).
  virtual void SetTickInterval(uint32_t milliseconds) { (void)milliseconds; }
  virtual void SetTicking(bool on) { (void)on; }
};

// Hosts whose pointer the saver may watch for the mouse exit.
class PointerSource {
 public:
  virtual ~PointerSource() = default;
  virtual Point CursorPos() = 0;
  // A monotonic clock, for how long ago an earlier reading was taken.
  virtual uint64_t NowMilliseconds() = 0;
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
