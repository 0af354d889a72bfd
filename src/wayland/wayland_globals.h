// The compositor's globals the saver binds, from the registry: the singletons it draws with,
// and each wl_output and wl_seat as they come and go, handed to the client.
#pragma once

#include <wayland-client.h>

#include <cstdint>
#include <functional>
#include <string_view>

struct wp_fractional_scale_manager_v1;
struct wp_viewporter;
struct xdg_wm_base;
struct zwlr_layer_shell_v1;
struct zwlr_screencopy_manager_v1;

namespace ambervale {

class WaylandGlobals {
 public:
  struct Events {
    // A global of this interface appeared; the callee binds it (BindGlobal).
    std::function<void(wl_registry*, uint32_t name, uint32_t version)> output_added, seat_added;
    // A global went away: an output, a seat or another.
    std::function<void(uint32_t name)> removed;
  };
  explicit WaylandGlobals(Events events) : events_(std::move(events)) {}
  ~WaylandGlobals();
  WaylandGlobals(const WaylandGlobals&) = delete;
  WaylandGlobals& operator=(const WaylandGlobals&) = delete;

  // Listens to the registry and waits for its first announcements; false when the connection
  // broke.
  bool Listen(wl_display* display);
  // What the saver cannot do without, said on stderr when missing. AMBERVALE_WAYLAND_SHELL=xdg
  // takes a full-screen toplevel where the layer shell is offered too.
  bool Complete();

  wl_compositor* compositor = nullptr;
  uint32_t compositor_version = 0;
  wl_shm* shm = nullptr;
  zwlr_layer_shell_v1* layer_shell = nullptr;
  xdg_wm_base* wm_base = nullptr;
  zwlr_screencopy_manager_v1* screencopy = nullptr;
  wp_viewporter* viewporter = nullptr;
  wp_fractional_scale_manager_v1* fractional_scale = nullptr;

  void OnGlobal(wl_registry* registry, uint32_t name, std::string_view interface, uint32_t version);
  void OnGlobalRemove(uint32_t name) { events_.removed(name); }

 private:
  Events events_;
  wl_registry* registry_ = nullptr;
};

template <typename T>
T* BindGlobal(wl_registry* registry, uint32_t name, const wl_interface* interface, uint32_t offered, uint32_t wanted) {
  return static_cast<T*>(wl_registry_bind(registry, name, interface, std::min(offered, wanted)));
}

}  // namespace ambervale
