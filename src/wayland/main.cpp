// ambervale-wayland: the saver on Wayland compositors, over wlr-layer-shell or in full-screen
// xdg-shell toplevels. An idle daemon (swayidle, hypridle, ...) or its own idle watcher
// (--idle SECONDS) starts it; any key, a click, a touch, a quick pointer movement, SIGTERM or
// SIGINT end it.
#include <signal.h>
#include <wayland-client.h>

#include <cstdio>
#include <cstdlib>
#include <exception>

#include "linux/settings_file.h"
#include "linux/stop_signals.h"
#include "wayland/idle_watcher.h"
#include "wayland/instance_lock.h"
#include "wayland/wayland_saver.h"

int main(int argc, char** argv) {
  using namespace ambervale;
  const LinuxOptionsResult parsed = ReadLinuxOptions(
      argc, argv, LinuxProgram::kWayland, SettingsFilePath(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME")));
  std::fputs(parsed.output.c_str(), stdout);
  std::fputs(parsed.error.c_str(), stderr);
  if (parsed.exit_code) return *parsed.exit_code;

  const sigset_t wait_mask = InstallStopSignals();
  const bool watcher = parsed.options.idle_seconds.has_value();
  const InstanceLock lock(std::getenv("XDG_RUNTIME_DIR"), std::getenv("WAYLAND_DISPLAY"),
                          watcher ? InstanceLock::Role::kIdleWatcher : InstanceLock::Role::kSaver);
  // The idle daemon may start us again while we run, and autostart a second watcher: no error.
  if (lock.state() == InstanceLock::State::kTaken) {
    if (watcher) std::fprintf(stderr, "ambervale-wayland: an idle watcher already runs in this session\n");
    return 0;
  }

  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "ambervale-wayland: cannot connect to the Wayland compositor\n");
    return 1;
  }
  int status = 1;
  try {
    status = watcher ? RunIdleWatcher(display, *parsed.options.idle_seconds, WithoutIdleOption(argc, argv), wait_mask)
                     : RunWaylandSaver(display, parsed.options, wait_mask);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "ambervale-wayland: %s\n", error.what());
  }
  wl_display_disconnect(display);
  return status;
}
