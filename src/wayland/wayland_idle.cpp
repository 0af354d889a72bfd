// The idle protocols of Wayland compositors. Both protocols say "idle" once the seat has had no
// input for the time asked for, "resumed" at the next input, and stay quiet while an idle
// inhibitor is active.
#include <wayland-client.h>

#include <algorithm>

#include "ext-idle-notify-v1-client-protocol.h"
#include "kde-idle-client-protocol.h"
#include "linux/callback_edge.h"
#include "wayland/idle_source.h"

namespace ambervale {
namespace {

class ExtIdleNotification : public IdleSource {
 public:
  ExtIdleNotification(const IdleGlobals& globals, uint32_t milliseconds) {
    notifier_ = static_cast<ext_idle_notifier_v1*>(
        wl_registry_bind(globals.registry, globals.ext_notifier, &ext_idle_notifier_v1_interface, 1));
    notification_ = ext_idle_notifier_v1_get_idle_notification(notifier_, milliseconds, globals.seat);
    static const ext_idle_notification_v1_listener listener = {AtWaylandEdge<Idled>, Resumed};
    ext_idle_notification_v1_add_listener(notification_, &listener, this);
  }
  ~ExtIdleNotification() override {
    ext_idle_notification_v1_destroy(notification_);
    ext_idle_notifier_v1_destroy(notifier_);
  }
  std::string Name() const override { return "ext-idle-notify-v1"; }

 private:
  static void Idled(void* data, ext_idle_notification_v1*) { static_cast<ExtIdleNotification*>(data)->BecameIdle(); }
  static void Resumed(void*, ext_idle_notification_v1*) {}

  ext_idle_notifier_v1* notifier_ = nullptr;
  ext_idle_notification_v1* notification_ = nullptr;
};

class KdeIdleTimeout : public IdleSource {
 public:
  KdeIdleTimeout(const IdleGlobals& globals, uint32_t milliseconds) {
    idle_ = static_cast<org_kde_kwin_idle*>(
        wl_registry_bind(globals.registry, globals.kde_idle, &org_kde_kwin_idle_interface, 1));
    timeout_ = org_kde_kwin_idle_get_idle_timeout(idle_, globals.seat, milliseconds);
    static const org_kde_kwin_idle_timeout_listener listener = {AtWaylandEdge<Idle>, Resumed};
    org_kde_kwin_idle_timeout_add_listener(timeout_, &listener, this);
  }
  ~KdeIdleTimeout() override {
    org_kde_kwin_idle_timeout_release(timeout_);
    org_kde_kwin_idle_destroy(idle_);
  }
  std::string Name() const override { return "org_kde_kwin_idle"; }

 private:
  static void Idle(void* data, org_kde_kwin_idle_timeout*) { static_cast<KdeIdleTimeout*>(data)->BecameIdle(); }
  static void Resumed(void*, org_kde_kwin_idle_timeout*) {}

  org_kde_kwin_idle* idle_ = nullptr;
  org_kde_kwin_idle_timeout* timeout_ = nullptr;
};

}  // namespace

std::unique_ptr<IdleSource> MakeWaylandIdle(const IdleGlobals& globals, uint32_t milliseconds) {
  if (!globals.seat) return nullptr;
  if (globals.ext_notifier) return std::make_unique<ExtIdleNotification>(globals, milliseconds);
  if (globals.kde_idle) return std::make_unique<KdeIdleTimeout>(globals, milliseconds);
  return nullptr;
}

}  // namespace ambervale
