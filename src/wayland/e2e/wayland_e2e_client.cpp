// The end-to-end tests' helper client.
//   wayland_e2e_client protocols   the compositor offers our layer-shell, screencopy and
//                                  virtual-pointer definitions at the versions they declare
//   wayland_e2e_client move DX DY  a virtual pointer on the first seat moves by DX, DY pixels
#include <wayland-client.h>

#include <chrono>
#include <cstdio>
#include <thread>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

namespace {

struct Globals {
  std::vector<std::pair<std::string, uint32_t>> offered;
  wl_seat* seat = nullptr;
  zwlr_virtual_pointer_manager_v1* pointer_manager = nullptr;
};

void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
  auto* globals = static_cast<Globals*>(data);
  globals->offered.emplace_back(interface, version);
  if (!globals->seat && std::strcmp(interface, wl_seat_interface.name) == 0)
    globals->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
  if (std::strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0)
    globals->pointer_manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
        wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1));
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
  zwlr_virtual_pointer_v1* pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(
      globals.pointer_manager, globals.seat);
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

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command != "protocols" && !(command == "move" && argc == 4)) {
    std::fprintf(stderr, "usage: %s protocols | move DX DY\n", argv[0]);
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
                                            : Move(globals, std::atof(argv[2]), std::atof(argv[3]), display);
  wl_display_disconnect(display);
  return status;
}
