#include "wayland/shell_surface.h"

#include <wayland-client.h>

#include <utility>

#include "linux/callback_edge.h"

#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace ambervale {
namespace {

class OverlayLayer : public ShellSurface {
 public:
  OverlayLayer(zwlr_layer_shell_v1* layer_shell, wl_surface* surface, wl_output* output, Events events)
      : events_(std::move(events)) {
    layer_ = zwlr_layer_shell_v1_get_layer_surface(layer_shell, surface, output, ZWLR_LAYER_SHELL_V1_LAYER_OVERLAY,
                                                   "ambervale");
    static const zwlr_layer_surface_v1_listener listener = {AtWaylandEdge<Configure>, AtWaylandEdge<Closed>};
    zwlr_layer_surface_v1_add_listener(layer_, &listener, this);
    zwlr_layer_surface_v1_set_anchor(layer_, ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP | ZWLR_LAYER_SURFACE_V1_ANCHOR_BOTTOM |
                                                 ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT |
                                                 ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT);
    zwlr_layer_surface_v1_set_size(layer_, 0, 0);
    zwlr_layer_surface_v1_set_exclusive_zone(layer_, -1);
    zwlr_layer_surface_v1_set_keyboard_interactivity(layer_, ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_EXCLUSIVE);
    wl_surface_commit(surface);
  }
  ~OverlayLayer() override { zwlr_layer_surface_v1_destroy(layer_); }

 private:
  static void Configure(void* data, zwlr_layer_surface_v1* layer, uint32_t serial, uint32_t width, uint32_t height) {
    zwlr_layer_surface_v1_ack_configure(layer, serial);
    static_cast<OverlayLayer*>(data)->events_.configured(static_cast<int32_t>(width), static_cast<int32_t>(height));
  }
  static void Closed(void* data, zwlr_layer_surface_v1*) { static_cast<OverlayLayer*>(data)->events_.closed(); }

  Events events_;
  zwlr_layer_surface_v1* layer_ = nullptr;
};

// A toplevel draws no decorations of its own and asks for none: the compositor shows it
// full screen on its output, above panels and bars.
class FullscreenToplevel : public ShellSurface {
 public:
  FullscreenToplevel(xdg_wm_base* wm_base, wl_surface* surface, wl_output* output, Events events)
      : events_(std::move(events)) {
    xdg_surface_ = xdg_wm_base_get_xdg_surface(wm_base, surface);
    static const xdg_surface_listener surface_listener = {AtWaylandEdge<SurfaceConfigure>};
    xdg_surface_add_listener(xdg_surface_, &surface_listener, this);
    toplevel_ = xdg_surface_get_toplevel(xdg_surface_);
    static const xdg_toplevel_listener toplevel_listener = {ToplevelConfigure, AtWaylandEdge<ToplevelClose>,
                                                            ToplevelBounds, ToplevelCapabilities};
    xdg_toplevel_add_listener(toplevel_, &toplevel_listener, this);
    xdg_toplevel_set_title(toplevel_, "Ambervale");
    xdg_toplevel_set_app_id(toplevel_, "ambervale-wayland");
    xdg_toplevel_set_fullscreen(toplevel_, output);
    wl_surface_commit(surface);
  }
  ~FullscreenToplevel() override {
    xdg_toplevel_destroy(toplevel_);
    xdg_surface_destroy(xdg_surface_);
  }

 private:
  // The toplevel's size comes first; the surface's configure closes the set and is acknowledged.
  static void ToplevelConfigure(void* data, xdg_toplevel*, int32_t width, int32_t height, wl_array*) {
    auto* self = static_cast<FullscreenToplevel*>(data);
    self->width_ = width;
    self->height_ = height;
  }
  static void ToplevelClose(void* data, xdg_toplevel*) { static_cast<FullscreenToplevel*>(data)->events_.closed(); }
  static void ToplevelBounds(void*, xdg_toplevel*, int32_t, int32_t) {}
  static void ToplevelCapabilities(void*, xdg_toplevel*, wl_array*) {}
  static void SurfaceConfigure(void* data, xdg_surface* xdg_surface, uint32_t serial) {
    auto* self = static_cast<FullscreenToplevel*>(data);
    xdg_surface_ack_configure(xdg_surface, serial);
    self->events_.configured(self->width_, self->height_);
  }

  Events events_;
  xdg_surface* xdg_surface_ = nullptr;
  xdg_toplevel* toplevel_ = nullptr;
  int32_t width_ = 0, height_ = 0;
};

void Ping(void*, xdg_wm_base* wm_base, uint32_t serial) { xdg_wm_base_pong(wm_base, serial); }

}  // namespace

std::unique_ptr<ShellSurface> MakeOverlayLayer(zwlr_layer_shell_v1* layer_shell, wl_surface* surface, wl_output* output,
                                               ShellSurface::Events events) {
  return std::make_unique<OverlayLayer>(layer_shell, surface, output, std::move(events));
}

std::unique_ptr<ShellSurface> MakeFullscreenToplevel(xdg_wm_base* wm_base, wl_surface* surface, wl_output* output,
                                                     ShellSurface::Events events) {
  return std::make_unique<FullscreenToplevel>(wm_base, surface, output, std::move(events));
}

void AnswerPings(xdg_wm_base* wm_base) {
  static const xdg_wm_base_listener listener = {Ping};
  xdg_wm_base_add_listener(wm_base, &listener, nullptr);
}

}  // namespace ambervale
