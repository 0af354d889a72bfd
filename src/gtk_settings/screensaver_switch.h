// "Use Ambervale as my screensaver" on Wayland: a switch and the idle minutes beside it, applied
// at once as the desktop's own settings are. On writes the autostart entry (the watcher at each
// login) and starts the watcher now; off removes the entry and stops the running watcher; new
// minutes restart it. Free of GTK: the processes and the entry are behind WatcherSide.
#pragma once

#include <string>

namespace ambervale {

// The session's side: the autostart entry and the running watcher. Each returns an empty
// string, or what went wrong.
class WatcherSide {
 public:
  virtual ~WatcherSide() = default;
  // The entry for `minutes` (1..1440), or none for 0.
  virtual std::string WriteAutostart(int minutes) = 0;
  // Ends the session's running watcher, if one runs, and waits for its end.
  virtual std::string StopWatcher() = 0;
  // A watcher of its own, outliving the window, that shows the saver after `minutes` idle.
  virtual std::string StartWatcher(int minutes) = 0;
};

class ScreensaverSwitch {
 public:
  static constexpr int kMinMinutes = 1;
  static constexpr int kMaxMinutes = 1440;
  static constexpr int kDefaultMinutes = 5;

  // `stored_minutes`: what the autostart entry holds (0: none, off).
  ScreensaverSwitch(WatcherSide& side, int stored_minutes);

  bool On() const { return on_; }
  int Minutes() const { return minutes_; }
  // What the last change did, in a line for beside the switch.
  const std::string& Report() const { return report_; }
  bool Problem() const { return problem_; }

  // The switch turned: on (again) restarts the watcher with the minutes shown, so that exactly
  // one runs. Where the entry cannot be written, nothing changes.
  void Turn(bool on);
  // New minutes (pulled into 1..1440): while on, the entry and the watcher take them.
  void SetMinutes(int minutes);

 private:
  void Apply(bool on, int minutes);
  void Describe(const std::string& error);

  WatcherSide& side_;
  bool on_;
  int minutes_;
  std::string report_;
  bool problem_ = false;
};

}  // namespace ambervale
