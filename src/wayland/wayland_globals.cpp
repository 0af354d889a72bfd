#include "wayland/wayland_globals.h"

#include <cstdio>
#include <cstdlib>

#include "fractional-scale-v1-client-protocol.h"
#include "linux/callback_edge.h"
#include "viewporter-client-protocol.h"
#include "wayland/shell_surface.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace ambervale {
namespace {

void RegistryGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
  static_cast<WaylandGlobals*>(data)->OnGlobal(registry, name, interface, version);
}
void RegistryGlobalRemove(void* data, wl_registry*, uint32_t name) {
  static_cast<WaylandGlobals*>(data)->OnGlobalRemove(name);
}
const wl_registry_listener kRegistryListener = {AtWaylandEdge<RegistryGlobal>, AtWaylandEdge<RegistryGlobalRemove>};

}  // namespace

WaylandGlobals::~WaylandGlobals() {
  if (screencopy) zwlr_screencopy_manager_v1_destroy(screencopy);
  if (fractional_scale) wp_fractional_scale_manager_v1_destroy(fractional_scale);
  if (viewporter) wp_viewporter_destroy(viewporter);
  if (layer_shell) zwlr_layer_shell_v1_destroy(layer_shell);
  if (wm_base) xdg_wm_base_destroy(wm_base);
  if (shm) wl_shm_destroy(shm);
  if (compositor) wl_compositor_destroy(compositor);
  if (registry_) wl_registry_destroy(registry_);
}

bool WaylandGlobals::Listen(wl_display* display) {
  registry_ = wl_display_get_registry(display);
  wl_registry_add_listener(registry_, &kRegistryListener, this);
  return wl_display_roundtrip(display) >= 0;
}

void WaylandGlobals::OnGlobal(wl_registry* registry, uint32_t name, std::string_view interface, uint32_t version) {
  if (interface == wl_compositor_interface.name) {
    compositor = BindGlobal<wl_compositor>(registry, name, &wl_compositor_interface, version, 4);
    compositor_version = std::min(version, 4u);
  } else if (interface == wl_shm_interface.name) {
    shm = BindGlobal<wl_shm>(registry, name, &wl_shm_interface, version, 1);
  } else if (interface == zwlr_layer_shell_v1_interface.name) {
    layer_shell = BindGlobal<zwlr_layer_shell_v1>(registry, name, &zwlr_layer_shell_v1_interface, version, 4);
  } else if (interface == xdg_wm_base_interface.name) {
    wm_base = BindGlobal<xdg_wm_base>(registry, name, &xdg_wm_base_interface, version, 1);
    AnswerPings(wm_base);
  } else if (interface == zwlr_screencopy_manager_v1_interface.name) {
    screencopy =
        BindGlobal<zwlr_screencopy_manager_v1>(registry, name, &zwlr_screencopy_manager_v1_interface, version, 3);
  } else if (interface == wp_viewporter_interface.name) {
    viewporter = BindGlobal<wp_viewporter>(registry, name, &wp_viewporter_interface, version, 1);
  } else if (interface == wp_fractional_scale_manager_v1_interface.name) {
    fractional_scale = BindGlobal<wp_fractional_scale_manager_v1>(
        registry, name, &wp_fractional_scale_manager_v1_interface, version, 1);
  } else if (interface == wl_output_interface.name) {
    events_.output_added(registry, name, version);
  } else if (interface == wl_seat_interface.name) {
    events_.seat_added(registry, name, version);
  }
}

bool WaylandGlobals::Complete() {
  // Layer shell first; a full-screen toplevel where there is none, or where asked for.
  const char* shell = std::getenv("AMBERVALE_WAYLAND_SHELL");
  if (shell && std::string_view(shell) == "xdg" && wm_base && layer_shell) {
    zwlr_layer_shell_v1_destroy(layer_shell);
    layer_shell = nullptr;
  }
  if (compositor && shm && (layer_shell || wm_base)) return true;
  std::fprintf(stderr, "ambervale-wayland: the compositor offers no %s\n",
               !compositor || !shm ? "wl_compositor or wl_shm" : "wlr-layer-shell or xdg-shell");
  return false;
}

}  // namespace ambervale
