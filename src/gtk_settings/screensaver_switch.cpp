#include "gtk_settings/screensaver_switch.h"

#include <algorithm>

namespace ambervale {
namespace {

std::string MinutesText(int minutes) { return std::to_string(minutes) + (minutes == 1 ? " minute" : " minutes"); }

}  // namespace

ScreensaverSwitch::ScreensaverSwitch(WatcherSide& side, int stored_minutes)
    : side_(side),
      on_(stored_minutes > 0),
      minutes_(on_ ? std::clamp(stored_minutes, kMinMinutes, kMaxMinutes) : kDefaultMinutes) {
  Describe({});
}

void ScreensaverSwitch::Turn(bool on) { Apply(on, minutes_); }

void ScreensaverSwitch::SetMinutes(int minutes) {
  minutes = std::clamp(minutes, kMinMinutes, kMaxMinutes);
  if (minutes == minutes_) return;
  if (!on_) {
    minutes_ = minutes;
    return;
  }
  Apply(true, minutes);
}

// The entry first: it is what lasts, and the switch shows what it holds, so an entry that
// cannot be written changes nothing. A watcher that cannot be started or stopped now follows
// the entry at the next login.
void ScreensaverSwitch::Apply(bool on, int minutes) {
  if (const std::string error = side_.WriteAutostart(on ? minutes : 0); !error.empty())
    return Describe("Not changed: " + error);
  on_ = on;
  minutes_ = minutes;
  std::string error = side_.StopWatcher();
  if (error.empty() && on_) error = side_.StartWatcher(minutes_);
  if (error.empty()) return Describe({});
  Describe((on_ ? "On from the next login, not now: " : "Off from the next login, but ") + error);
}

void ScreensaverSwitch::Describe(const std::string& error) {
  problem_ = !error.empty();
  if (problem_) {
    report_ = error;
  } else if (on_) {
    report_ = "On: starts after " + MinutesText(minutes_) + " idle";
  } else {
    report_ = "Off";
  }
}

}  // namespace ambervale
