// The session's side of the screensaver switch: the autostart entry, and the running idle
// watcher found by its instance lock, stopped with SIGTERM and started as a process of its own
// that outlives the window. Free of GTK.
#pragma once

#include <string>

#include "gtk_settings/screensaver_switch.h"

namespace ambervale {

class SessionWatcher : public WatcherSide {
 public:
  // `autostart_path`: the entry (empty: no config folder); `program`: ambervale-wayland;
  // `lock_path`: the watcher's instance lock (empty: no runtime folder to find one in).
  SessionWatcher(std::string autostart_path, std::string program, std::string lock_path);

  std::string WriteAutostart(int minutes) override;
  std::string StopWatcher() override;
  std::string StartWatcher(int minutes) override;

 private:
  std::string autostart_path_;
  std::string program_;
  std::string lock_path_;
};

}  // namespace ambervale
