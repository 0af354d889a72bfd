// ambervale-wayland: the saver on Wayland compositors with wlr-layer-shell. An idle daemon
// (swayidle, hypridle, ...) starts it; any key, a click, a touch, a quick pointer movement,
// SIGTERM or SIGINT end it.
#include <signal.h>
#include <wayland-client.h>

#include <cstdio>
#include <cstdlib>
#include <exception>

#include "linux/config_file.h"
#include "linux/stop_signals.h"
#include "wayland/instance_lock.h"
#include "wayland/wayland_saver.h"

int main(int argc, char** argv) {
  using namespace ambervale;
  const LinuxOptionsResult parsed =
      ReadLinuxOptions(argc, argv, LinuxProgram::kWayland,
                       ConfigFilePath(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME")));
  std::fputs(parsed.output.c_str(), stdout);
  std::fputs(parsed.error.c_str(), stderr);
  if (parsed.exit_code) return *parsed.exit_code;

  const sigset_t wait_mask = InstallStopSignals();
  const InstanceLock lock(std::getenv("XDG_RUNTIME_DIR"), std::getenv("WAYLAND_DISPLAY"));
  // The idle daemon may start us again while we run: that is no error.
  if (lock.state() == InstanceLock::State::kTaken) return 0;

  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "ambervale-wayland: cannot connect to the Wayland compositor\n");
    return 1;
  }
  int status = 1;
  try {
    status = RunWaylandSaver(display, parsed.options, wait_mask);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "ambervale-wayland: %s\n", error.what());
  }
  wl_display_disconnect(display);
  return status;
}
