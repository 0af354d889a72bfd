// The end-to-end tests' helper client.
//   wayland_e2e_client protocols   the compositor offers our layer-shell, screencopy and
//                                  virtual-pointer definitions at the versions they declare
//   wayland_e2e_client move DX DY  a virtual pointer on the first seat moves by DX, DY pixels
//   wayland_e2e_client inhibit S   a small window that inhibits idle for S seconds, as a video
//                                  player does; "inhibiting" on stdout once it is shown
//   wayland_e2e_client shot W H FILE  the screen's top-left W x H from KWin's screenshot
//                                  interface as PPM (this program's desktop entry grants it)
#include <wayland-client.h>

#include <chrono>
#include <cstdio>
#include <thread>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "linux/desktop_sources/desktop_sources.h"
#include "idle-inhibit-unstable-v1-client-protocol.h"
#include "wayland/shm_buffer.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace {

struct Globals {
  std::vector<std::pair<std::string, uint32_t>> offered;
  wl_seat* seat = nullptr;
  zwlr_virtual_pointer_manager_v1* pointer_manager = nullptr;
  wl_compositor* compositor = nullptr;
  wl_shm* shm = nullptr;
  xdg_wm_base* wm_base = nullptr;
  zwp_idle_inhibit_manager_v1* inhibit_manager = nullptr;
};

template <typename T>
void BindIf(const char* offered, const wl_interface& wanted, wl_registry* registry, uint32_t name, T*& to) {
  if (!to && std::strcmp(offered, wanted.name) == 0) to = static_cast<T*>(wl_registry_bind(registry, name, &wanted, 1));
}

void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
  auto* globals = static_cast<Globals*>(data);
  globals->offered.emplace_back(interface, version);
  if (!globals->seat && std::strcmp(interface, wl_seat_interface.name) == 0)
    globals->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
  BindIf(interface, zwlr_virtual_pointer_manager_v1_interface, registry, name, globals->pointer_manager);
  BindIf(interface, wl_compositor_interface, registry, name, globals->compositor);
  BindIf(interface, wl_shm_interface, registry, name, globals->shm);
  BindIf(interface, xdg_wm_base_interface, registry, name, globals->wm_base);
  BindIf(interface, zwp_idle_inhibit_manager_v1_interface, registry, name, globals->inhibit_manager);
}
void OnGlobalRemove(void*, wl_registry*, uint32_t) {}

int CheckProtocols(const Globals& globals) {
  int failures = 0;
  // The objects these globals make carry the global's version.
  for (const wl_interface* ours : {&zwlr_layer_shell_v1_interface, &zwlr_screencopy_manager_v1_interface,
                                   &zwlr_virtual_pointer_manager_v1_interface}) {
    uint32_t offered = 0;
    for (const auto& [name, version] : globals.offered)
      if (name == ours->name) offered = version;
    const bool same = offered == static_cast<uint32_t>(ours->version);
    std::printf("%s: ours %d, offered %u%s\n", ours->name, ours->version, offered, same ? "" : "  MISMATCH");
    failures += same ? 0 : 1;
  }
  return failures == 0 ? 0 : 1;
}

int Move(const Globals& globals, double dx, double dy, wl_display* display) {
  if (!globals.pointer_manager) {
    std::fprintf(stderr, "no virtual pointer manager\n");
    return 1;
  }
  zwlr_virtual_pointer_v1* pointer =
      zwlr_virtual_pointer_manager_v1_create_virtual_pointer(globals.pointer_manager, globals.seat);
  wl_display_roundtrip(display);
  // The seat gains a pointer only now, and a program learns of it, binds it and is told where
  // it stands in its own time: the device stays a while on either side of the motion, so that
  // a busy program sees the motion itself, not only where it ended.
  constexpr auto kSettle = std::chrono::milliseconds(1500);
  std::this_thread::sleep_for(kSettle);
  zwlr_virtual_pointer_v1_motion(pointer, 0, wl_fixed_from_double(dx), wl_fixed_from_double(dy));
  zwlr_virtual_pointer_v1_frame(pointer);
  // The compositor has handled the motion (and sent it on) before this returns.
  wl_display_roundtrip(display);
  std::this_thread::sleep_for(kSettle);
  zwlr_virtual_pointer_v1_destroy(pointer);
  wl_display_roundtrip(display);
  return 0;
}

void XdgPing(void*, xdg_wm_base* wm_base, uint32_t serial) { xdg_wm_base_pong(wm_base, serial); }
void XdgConfigure(void* data, xdg_surface* surface, uint32_t serial) {
  xdg_surface_ack_configure(surface, serial);
  *static_cast<bool*>(data) = true;
}

int Inhibit(const Globals& globals, int seconds, wl_display* display) {
  if (!globals.compositor || !globals.shm || !globals.wm_base || !globals.inhibit_manager) {
    std::fprintf(stderr, "no idle-inhibit manager or xdg-shell\n");
    return 1;
  }
  static const xdg_wm_base_listener ping = {XdgPing};
  xdg_wm_base_add_listener(globals.wm_base, &ping, nullptr);
  wl_surface* surface = wl_compositor_create_surface(globals.compositor);
  xdg_surface* window = xdg_wm_base_get_xdg_surface(globals.wm_base, surface);
  bool configured = false;
  static const xdg_surface_listener configure = {XdgConfigure};
  xdg_surface_add_listener(window, &configure, &configured);
  xdg_toplevel* toplevel = xdg_surface_get_toplevel(window);
  wl_surface_commit(surface);
  while (!configured && wl_display_dispatch(display) >= 0) {
  }
  // Inhibitors count only for surfaces that are shown.
  const auto buffer = ambervale::ShmBuffer::Create(globals.shm, 64, 64);
  std::memset(buffer->Pixels(), 0x80, 64 * 64 * 4);
  wl_surface_attach(surface, buffer->Handle(), 0, 0);
  wl_surface_damage(surface, 0, 0, 64, 64);
  zwp_idle_inhibitor_v1* inhibitor = zwp_idle_inhibit_manager_v1_create_inhibitor(globals.inhibit_manager, surface);
  wl_surface_commit(surface);
  wl_display_roundtrip(display);
  std::printf("inhibiting\n");
  std::fflush(stdout);
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < end) {
    wl_display_roundtrip(display);  // answers the compositor's pings
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  zwp_idle_inhibitor_v1_destroy(inhibitor);
  xdg_toplevel_destroy(toplevel);
  xdg_surface_destroy(window);
  wl_surface_destroy(surface);
  wl_display_roundtrip(display);
  return 0;
}

int Shot(int32_t width, int32_t height, const char* path) {
  ambervale::DesktopSources sources;
  const ambervale::DesktopPicture picture = sources.PictureOf({0, 0, width, height}, {0, 0, width, height});
  if (sources.LastSource() != "KWin's ScreenShot2") {
    std::fprintf(stderr, "no picture from KWin: %s\n", sources.Failures().c_str());
    return 1;
  }
  FILE* file = std::fopen(path, "wb");
  if (!file) return 1;
  std::fprintf(file, "P6\n%d %d\n255\n", picture.width, picture.height);
  for (const uint32_t pixel : picture.pixels) {
    const unsigned char rgb[3] = {static_cast<unsigned char>(pixel >> 16), static_cast<unsigned char>(pixel >> 8),
                                  static_cast<unsigned char>(pixel)};
    std::fwrite(rgb, 1, 3, file);
  }
  return std::fclose(file) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "shot" && argc == 5) return Shot(std::atoi(argv[2]), std::atoi(argv[3]), argv[4]);
  if (command != "protocols" && !(command == "move" && argc == 4) && !(command == "inhibit" && argc == 3)) {
    std::fprintf(stderr, "usage: %s protocols | move DX DY | inhibit SECONDS | shot W H FILE\n", argv[0]);
    return 2;
  }
  wl_display* display = wl_display_connect(nullptr);
  if (!display) {
    std::fprintf(stderr, "cannot connect to the compositor\n");
    return 1;
  }
  Globals globals;
  static const wl_registry_listener listener = {OnGlobal, OnGlobalRemove};
  wl_registry_add_listener(wl_display_get_registry(display), &listener, &globals);
  wl_display_roundtrip(display);
  const int status = command == "protocols" ? CheckProtocols(globals)
                     : command == "inhibit" ? Inhibit(globals, std::atoi(argv[2]), display)
                                            : Move(globals, std::atof(argv[2]), std::atof(argv[3]), display);
  wl_display_disconnect(display);
  return status;
}
