// The desktop's lock on the buses: GNOME's org.gnome.ScreenSaver and the freedesktop
// org.freedesktop.ScreenSaver (KDE Plasma and others) on the session bus, logind's Lock signal and
// LockedHint of our own session on the system bus. What they report goes to a SessionLockModel
// (linux/session_lock.h), which decides; a bus or service that is missing only leaves its reports
// out.
#pragma once

#include <poll.h>
#include <systemd/sd-bus.h>

#include <array>
#include <optional>
#include <span>
#include <string>

#include "linux/session_lock.h"

namespace ambervale {

// The saver's watch: ends it when the session locks, and asks for the lock of "lock when it ends".
class SessionLockWatch {
 public:
  explicit SessionLockWatch(bool lock_when_it_ends);
  ~SessionLockWatch();
  SessionLockWatch(const SessionLockWatch&) = delete;
  SessionLockWatch& operator=(const SessionLockWatch&) = delete;

  // The buses' descriptors, for the program's poll (-1 for a bus that is missing).
  std::span<pollfd> PollFds();
  // When a wait of the model or of a bus call runs out.
  std::optional<MonotonicTime> NextWake() const;
  // After the poll: what came on the buses, and the waits that ran out.
  void Dispatch(MonotonicTime now);
  // The run asked to close: true when the saver ends now; false while a lock is on its way.
  bool CloseRequested(MonotonicTime now);
  bool ShouldEnd() const { return model_.ShouldEnd(); }

 private:
  void WatchScreenSavers();
  void WatchLogind();
  void RequestLock(size_t locker);
  void Say();
  static int OnActiveChanged(sd_bus_message* message, void* data, sd_bus_error*);
  static int OnLogindLock(sd_bus_message* message, void* data, sd_bus_error*);
  static int OnSessionProperties(sd_bus_message* message, void* data, sd_bus_error*);
  static int OnLockAnswered(sd_bus_message* reply, void* data, sd_bus_error*);

  SessionLockModel model_;
  sd_bus* session_bus_ = nullptr;
  sd_bus* system_bus_ = nullptr;
  std::string session_path_;             // our logind session's object
  std::array<sd_bus_slot*, 4> slots_{};  // the matches: two ActiveChanged, logind's Lock and properties
  size_t locker_ = 0;                    // the locker asked last
  std::array<pollfd, 2> fds_{};
};

// For the idle watcher: whether the session is locked, or its screen blanked by the desktop, now
// (logind's LockedHint, the screensavers' GetActive).
bool SessionLockedOrBlanked();

}  // namespace ambervale
