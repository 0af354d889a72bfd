// The role that makes a wl_surface cover one output: an overlay of wlr-layer-shell where the
// compositor offers it (sway, KDE, Hyprland, ...), else a full-screen xdg-shell toplevel (GNOME,
// weston). The client sees only the sizes the compositor asks for and the end of the surface.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

struct wl_output;
struct wl_surface;
struct xdg_wm_base;
struct zwlr_layer_shell_v1;

namespace ambervale {

class ShellSurface {
 public:
  struct Events {
    // The compositor asks for this size in logical pixels; 0 x 0 leaves it to the client.
    std::function<void(int32_t width, int32_t height)> configured;
    // The compositor took the surface away (or asks that it close).
    std::function<void()> closed;
  };
  virtual ~ShellSurface() = default;
};

// Both commit the role's first state; the first `configured` follows.
std::unique_ptr<ShellSurface> MakeOverlayLayer(zwlr_layer_shell_v1* layer_shell, wl_surface* surface, wl_output* output,
                                               ShellSurface::Events events);
std::unique_ptr<ShellSurface> MakeFullscreenToplevel(xdg_wm_base* wm_base, wl_surface* surface, wl_output* output,
                                                     ShellSurface::Events events);

// The compositor pings an xdg-shell client to see it is alive: answered from here on.
void AnswerPings(xdg_wm_base* wm_base);

}  // namespace ambervale
