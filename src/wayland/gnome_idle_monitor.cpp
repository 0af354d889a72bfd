// GNOME offers no Wayland idle protocol; Mutter answers on the session bus instead. An idle
// watch fires each time the session's idle time reaches its interval, again after every input,
// and not while gnome-session holds an idle inhibitor.
#include <poll.h>
#include <systemd/sd-bus.h>

#include <cstdio>
#include <cstring>

#include "linux/callback_edge.h"

#include "wayland/idle_source.h"

namespace ambervale {
namespace {

constexpr const char* kService = "org.gnome.Mutter.IdleMonitor";
constexpr const char* kPath = "/org/gnome/Mutter/IdleMonitor/Core";
constexpr const char* kInterface = "org.gnome.Mutter.IdleMonitor";

class GnomeIdleMonitor : public IdleSource {
 public:
  ~GnomeIdleMonitor() override {
    sd_bus_slot_unref(fired_slot_);
    sd_bus_flush_close_unref(bus_);
  }

  // False where the session bus or Mutter's monitor is missing.
  bool Watch(uint32_t milliseconds) {
    if (sd_bus_open_user(&bus_) < 0) return false;
    // The signal's match first, so that no firing falls between the two. Any sender: the signal
    // comes from Mutter's unique name, which a local match on the well-known one would miss.
    if (sd_bus_match_signal(bus_, &fired_slot_, nullptr, kPath, kInterface, "WatchFired", OnFired, this) < 0)
      return false;
    sd_bus_error error = SD_BUS_ERROR_NULL;
    sd_bus_message* reply = nullptr;
    const int r = sd_bus_call_method(bus_, kService, kPath, kInterface, "AddIdleWatch", &error, &reply, "t",
                                     uint64_t{milliseconds});
    const bool added = r >= 0 && sd_bus_message_read(reply, "u", &watch_id_) >= 0;
    if (r < 0)
      std::fprintf(stderr, "ambervale-wayland: Mutter's idle monitor gives no idle watch: %s\n",
                   error.message ? error.message : std::strerror(-r));
    sd_bus_error_free(&error);
    sd_bus_message_unref(reply);
    return added;
  }

  int Fd() const override { return sd_bus_get_fd(bus_); }
  short PollEvents() const override { return static_cast<short>(sd_bus_get_events(bus_)); }
  bool Dispatch() override {
    int r;
    while ((r = sd_bus_process(bus_, nullptr)) > 0) {
    }
    return r >= 0;
  }
  std::string Name() const override { return "org.gnome.Mutter.IdleMonitor"; }

 private:
  static int OnFired(sd_bus_message* message, void* data, sd_bus_error*) {
    CatchAtEdge(CallbackEdge::kSdBus, [&] {
      auto* self = static_cast<GnomeIdleMonitor*>(data);
      uint32_t id = 0;
      if (sd_bus_message_read(message, "u", &id) >= 0 && id == self->watch_id_) self->BecameIdle();
    });
    return 0;
  }

  sd_bus* bus_ = nullptr;
  sd_bus_slot* fired_slot_ = nullptr;
  uint32_t watch_id_ = 0;
};

}  // namespace

std::unique_ptr<IdleSource> MakeGnomeIdleMonitor(uint32_t milliseconds) {
  auto monitor = std::make_unique<GnomeIdleMonitor>();
  if (!monitor->Watch(milliseconds)) return nullptr;
  return monitor;
}

}  // namespace ambervale
