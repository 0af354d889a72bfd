// The desktop-picture chain of the Wayland program: each output's picture from the
// compositor's screencopy, else from the next of DesktopSources that gives one, taken before
// the output's surface maps (or it would show our own surface). Said on stderr: the plain
// background's reason once a run; under --fps, where each picture came from and when.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "run/pacer.h"
#include "linux/scale_picture.h"
#include "linux/wallpaper.h"

struct wl_output;

namespace ambervale {

class DesktopCapture;
class DesktopSources;
class WaylandGlobals;

class DesktopPictures {
 public:
  DesktopPictures(const WaylandGlobals& globals, bool show_fps, MonotonicTime started);
  ~DesktopPictures();

  using Done = std::function<void(DesktopPicture)>;
  // Takes the picture of `output` (global `name`, lying at `screen` within every output's
  // `areas`); `done` runs once with it, from the event dispatch or at once. An empty picture:
  // the leaves fall on the plain background.
  void Take(wl_output* output, uint32_t name, const ScreenArea& screen, std::function<std::vector<ScreenArea>()> areas,
            Done done);
  // The output went away: no picture for it.
  void Cancel(uint32_t name);

 private:
  void FromSources(uint32_t name, const ScreenArea& screen, const std::vector<ScreenArea>& areas, const Done& done,
                   bool copy_failed);

  const WaylandGlobals& globals_;
  bool show_fps_;
  MonotonicTime started_;
  std::map<uint32_t, std::unique_ptr<DesktopCapture>> captures_;
  std::unique_ptr<DesktopSources> sources_;  // where there is no screencopy, or it failed
  bool said_plain_ = false;
};

}  // namespace ambervale
