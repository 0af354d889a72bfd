// What tells the idle watcher that the session has been idle for its time: the compositor's
// idle protocol (ext-idle-notify-v1, else KDE's org_kde_kwin_idle) or, on GNOME, Mutter's
// IdleMonitor on the session bus. Each honours idle inhibitors (video players, presentations)
// as the desktop's own blanking does.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

struct wl_registry;
struct wl_seat;

namespace ambervale {

class IdleSource {
 public:
  virtual ~IdleSource() = default;
  // A descriptor to poll, or -1 when the events come on the Wayland connection.
  virtual int Fd() const { return -1; }
  // The poll events Fd() waits for.
  virtual short PollEvents() const { return 0; }
  // Reads what arrived on Fd(). False when the source is gone for good.
  virtual bool Dispatch() { return true; }
  // What the watcher says it watches, e.g. "ext-idle-notify-v1".
  virtual std::string Name() const = 0;

  // True once after each time the session became idle.
  bool TakeIdle() {
    const bool idle = idle_;
    idle_ = false;
    return idle;
  }

 protected:
  void BecameIdle() { idle_ = true; }

 private:
  bool idle_ = false;
};

// The compositor's idle globals, as a registry announces them.
struct IdleGlobals {
  wl_registry* registry = nullptr;
  uint32_t ext_notifier = 0;  // registry names; 0: not offered
  uint32_t kde_idle = 0;
  wl_seat* seat = nullptr;
};

// The compositor's own protocol, ext-idle-notify-v1 before KDE's; nothing where it offers neither.
std::unique_ptr<IdleSource> MakeWaylandIdle(const IdleGlobals& globals, uint32_t milliseconds);
// Mutter's IdleMonitor on the session bus; nothing without one.
std::unique_ptr<IdleSource> MakeGnomeIdleMonitor(uint32_t milliseconds);

}  // namespace ambervale
