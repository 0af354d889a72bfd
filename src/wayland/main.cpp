// ambervale-wayland: the saver on Wayland compositors, over wlr-layer-shell or in full-screen
// xdg-shell toplevels. An idle daemon (swayidle, hypridle, ...) or its own idle watcher
// (--idle SECONDS) starts it; any key, a click, a touch, a quick pointer movement, SIGTERM or
// SIGINT end it.
#include <wayland-client.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "linux/program_main.h"
#include "linux/settings_file.h"
#include "wayland/idle_watcher.h"
#include "wayland/instance_lock.h"
#include "wayland/wayland_saver.h"

namespace ambervale {
namespace {

int RunWayland(int argc, char** argv, const LinuxOptions& options, const sigset_t& wait_mask) {
  const bool watcher = options.idle_seconds.has_value();
  const InstanceLock lock(std::getenv("XDG_RUNTIME_DIR"), std::getenv("WAYLAND_DISPLAY"),
                          watcher ? InstanceLock::Role::kIdleWatcher : InstanceLock::Role::kSaver);
  // The idle daemon may start us again while we run, and autostart a second watcher: no error.
  if (lock.state() == InstanceLock::State::kTaken) {
    if (watcher) std::fprintf(stderr, "ambervale-wayland: an idle watcher already runs in this session\n");
    return 0;
  }
  const std::unique_ptr<wl_display, decltype(&wl_display_disconnect)> display(wl_display_connect(nullptr),
                                                                              wl_display_disconnect);
  if (display == nullptr) {
    std::fprintf(stderr, "ambervale-wayland: cannot connect to the Wayland compositor\n");
    return 1;
  }
  return watcher ? RunIdleWatcher(display.get(), *options.idle_seconds, WithoutIdleOption(argc, argv), wait_mask)
                 : RunWaylandSaver(display.get(), options, wait_mask);
}

}  // namespace
}  // namespace ambervale

int main(int argc, char** argv) {
  using namespace ambervale;
  const LinuxOptionsResult parsed =
      WithSettingsFile(ParseLinuxOptions(argc, argv, LinuxProgram::kWayland), LinuxProgram::kWayland,
                       SettingsFilePath(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME")));
  return RunLinuxProgram(LinuxProgram::kWayland, parsed, [&](const LinuxOptions& options, const sigset_t& wait_mask) {
    return RunWayland(argc, argv, options, wait_mask);
  });
}
