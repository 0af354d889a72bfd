#include "wayland/desktop_pictures.h"

#include <cstdio>
#include <utility>

#include "linux/desktop_sources/desktop_sources.h"
#include "linux/wake_clock.h"
#include "wayland/desktop_capture.h"
#include "wayland/output_description.h"
#include "wayland/wayland_globals.h"

namespace ambervale {

DesktopPictures::DesktopPictures(const WaylandGlobals& globals, bool show_fps, MonotonicTime started)
    : globals_(globals), show_fps_(show_fps), started_(started) {
  if (globals_.screencopy) return;
  sources_ = std::make_unique<DesktopSources>();
  sources_->Failed("wlr-screencopy", "not offered");
}

DesktopPictures::~DesktopPictures() = default;

void DesktopPictures::Cancel(uint32_t name) { captures_.erase(name); }

void DesktopPictures::Take(wl_output* output, uint32_t name, const ScreenArea& screen,
                           std::function<std::vector<ScreenArea>()> areas, Done done) {
  if (!globals_.screencopy) return FromSources(name, screen, areas(), done, false);
  auto finished = [this, name, screen, areas = std::move(areas), done = std::move(done)](DesktopPicture picture) {
    captures_.erase(name);  // the capture touches nothing after its callback
    if (picture.pixels.empty()) return FromSources(name, screen, areas(), done, true);
    if (show_fps_)
      std::fprintf(stderr, "ambervale-wayland: output %u: the desktop from wlr-screencopy after %lld ms\n", name,
                   static_cast<long long>((MonotonicNow() - started_).count() / 1000));
    done(std::move(picture));
  };
  captures_[name] = std::make_unique<DesktopCapture>(globals_.shm, globals_.screencopy, output, std::move(finished));
}

void DesktopPictures::FromSources(uint32_t name, const ScreenArea& screen, const std::vector<ScreenArea>& areas,
                                  const Done& done, bool copy_failed) {
  if (!sources_) sources_ = std::make_unique<DesktopSources>();
  if (copy_failed) sources_->Failed("wlr-screencopy", "the copy failed");
  std::vector<ScreenArea> all = areas;
  all.push_back(screen);
  DesktopPicture picture = sources_->PictureOf(screen, DesktopUnion(all));
  if (picture.pixels.empty() && !std::exchange(said_plain_, true))
    std::fprintf(stderr, "ambervale-wayland: no picture of the desktop (%s): the leaves fall on a plain background\n",
                 sources_->Failures().c_str());
  if (show_fps_ && !picture.pixels.empty())
    std::fprintf(stderr, "ambervale-wayland: output %u: the desktop from %s after %lld ms\n", name,
                 sources_->LastSource().c_str(), static_cast<long long>((MonotonicNow() - started_).count() / 1000));
  done(std::move(picture));
}

}  // namespace ambervale
