// The desktop's lock as a saver sees it, free of D-Bus: what the desktops report (GNOME's and
// the freedesktop screensaver's Active, logind's LockedHint and Lock signal) and what the run asks
// (its close, on a key or motion), turned into one decision: when the saver ends.
//
// A saver ends once the session is locked or blanked by the desktop, so that unlocking brings back
// the desktop and no saver. With "lock when it ends", a close first asks the session to lock and the
// saver ends only once a lock is reported up: the unlocked desktop never shows. Where no lock is
// reported within kLockWait, the saver stays (never the unlocked desktop by itself), says so, and
// the next close ends it as without the setting (never a trap).
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <utility>

#include "run/pacer.h"

namespace ambervale {

enum class LockSource { kGnomeScreenSaver, kFreedesktopScreenSaver, kLogind, kCount };

class SessionLockModel {
 public:
  // How long a requested lock may take to be reported up.
  static constexpr MonotonicTime kLockWait = std::chrono::seconds(5);

  explicit SessionLockModel(bool lock_when_it_ends) : lock_when_it_ends_(lock_when_it_ends) {}

  // A source's state, at start-up or on its change: its screen shield or lock is up (GNOME's and
  // the freedesktop Active, logind's LockedHint). Up ends the saver.
  void Reported(LockSource source, bool up);
  // logind asked the session's lockers to lock. A locker that reports nothing has surely locked
  // by kLockWait: the saver ends then at the latest.
  void LockAsked(MonotonicTime now);

  // What the program does when the run asks to close.
  enum class Close { kEnd, kRequestLock, kWait };
  Close CloseRequested(MonotonicTime now);
  // The program asked every locker it knows and none took the request.
  void LockRequestRefused(MonotonicTime now);

  // Call after each wake: a wait that ran out decides.
  void TimePassed(MonotonicTime now);
  bool ShouldEnd() const { return phase_ == Phase::kEnded; }
  // While a lock is awaited, when the wait runs out.
  std::optional<MonotonicTime> Deadline() const;
  // Whether any source reports its lock or shield up now.
  bool AnyUp() const;
  // A line for stderr about the last decision, once; empty when there is none.
  std::string TakeNotice() { return std::exchange(notice_, {}); }

 private:
  enum class Phase {
    kShowing,
    kLockComing,   // logind asked for a lock; not ours
    kLockAsked,    // ours: a close waits for the lock
    kUnconfirmed,  // ours was never reported up: the next close ends as without the setting
    kEnded,
  };
  void End(std::string notice);

  bool lock_when_it_ends_;
  Phase phase_ = Phase::kShowing;
  MonotonicTime deadline_{};
  bool up_[static_cast<size_t>(LockSource::kCount)] = {};
  std::string notice_;
};

const char* LockSourceName(LockSource source);

}  // namespace ambervale
