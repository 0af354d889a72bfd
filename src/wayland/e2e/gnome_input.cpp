// Input for the end-to-end tests on mutter, through its RemoteDesktop interface on the session
// bus (a session with virtual devices; no screen cast, so no PipeWire).
//   gnome_input key CODE     a press and release of the evdev key CODE
//   gnome_input move DX DY   a relative pointer motion
//   gnome_input inhibit S    stands in for gnome-session holding an idle inhibitor (a video
//                            player's) for S seconds; "inhibiting" on stdout once Mutter knows
#include <systemd/sd-bus.h>

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

constexpr const char* kService = "org.gnome.Mutter.RemoteDesktop";
constexpr const char* kSessionInterface = "org.gnome.Mutter.RemoteDesktop.Session";

bool Check(int result, const sd_bus_error& error, const char* what) {
  if (result >= 0) return true;
  std::fprintf(stderr, "gnome_input: %s: %s\n", what, error.message ? error.message : "failed");
  return false;
}

// Calls a session method whose reply carries nothing.
bool CallSession(sd_bus* bus, const std::string& session, const char* method, const char* types, ...) {
  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message* call = nullptr;
  sd_bus_message* reply = nullptr;
  int r = sd_bus_message_new_method_call(bus, &call, kService, session.c_str(), kSessionInterface, method);
  if (r >= 0 && types) {
    va_list args;
    va_start(args, types);
    r = sd_bus_message_appendv(call, types, args);
    va_end(args);
  }
  if (r >= 0) r = sd_bus_call(bus, call, 10 * 1000 * 1000, &error, &reply);
  const bool ok = Check(r, error, method);
  sd_bus_error_free(&error);
  sd_bus_message_unref(call);
  sd_bus_message_unref(reply);
  return ok;
}

// gnome-session's InhibitedActions, of which Mutter's idle monitor reads the idle flag.
constexpr uint32_t kInhibitIdle = 8;
uint32_t inhibited_actions = kInhibitIdle;

int GetInhibitedActions(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*, sd_bus_error*) {
  return sd_bus_message_append(reply, "u", inhibited_actions);
}

const sd_bus_vtable kSessionManager[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("InhibitedActions", "u", GetInhibitedActions, 0, SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE),
    SD_BUS_VTABLE_END};

void Serve(sd_bus* bus, std::chrono::steady_clock::duration how_long) {
  const auto end = std::chrono::steady_clock::now() + how_long;
  while (std::chrono::steady_clock::now() < end) {
    while (sd_bus_process(bus, nullptr) > 0) {
    }
    sd_bus_wait(bus, 100 * 1000);
  }
}

int Inhibit(sd_bus* bus, int seconds) {
  constexpr const char* kPath = "/org/gnome/SessionManager";
  constexpr const char* kInterface = "org.gnome.SessionManager";
  if (sd_bus_add_object_vtable(bus, nullptr, kPath, kInterface, kSessionManager, nullptr) < 0 ||
      sd_bus_request_name(bus, "org.gnome.SessionManager", 0) < 0) {
    std::fprintf(stderr, "gnome_input: cannot stand in for gnome-session\n");
    return 1;
  }
  // Mutter reads the property when the name appears: a moment for that before the clock starts.
  Serve(bus, std::chrono::seconds(1));
  std::printf("inhibiting\n");
  std::fflush(stdout);
  Serve(bus, std::chrono::seconds(seconds));
  inhibited_actions = 0;
  sd_bus_emit_properties_changed(bus, kPath, kInterface, "InhibitedActions", nullptr);
  Serve(bus, std::chrono::seconds(1));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (!(command == "key" && argc == 3) && !(command == "move" && argc == 4) && !(command == "inhibit" && argc == 3)) {
    std::fprintf(stderr, "usage: %s key CODE | move DX DY | inhibit SECONDS\n", argv[0]);
    return 2;
  }
  sd_bus* bus = nullptr;
  if (sd_bus_open_user(&bus) < 0) {
    std::fprintf(stderr, "gnome_input: no session bus\n");
    return 1;
  }
  if (command == "inhibit") {
    const int status = Inhibit(bus, std::atoi(argv[2]));
    sd_bus_flush_close_unref(bus);
    return status;
  }
  sd_bus_error error = SD_BUS_ERROR_NULL;
  sd_bus_message* reply = nullptr;
  const char* path = nullptr;
  int r = sd_bus_call_method(bus, kService, "/org/gnome/Mutter/RemoteDesktop", "org.gnome.Mutter.RemoteDesktop",
                             "CreateSession", &error, &reply, "");
  if (!Check(r, error, "CreateSession") || sd_bus_message_read(reply, "o", &path) < 0) return 1;
  const std::string session = path;
  sd_bus_message_unref(reply);
  bool ok = CallSession(bus, session, "Start", nullptr);
  // Mutter 43 makes the virtual device at its first event and passes that event on to no one:
  // the input goes twice, a second apart, and the second is the one clients see.
  for (int round = 0; ok && round < 2; ++round) {
    if (command == "key") {
      const auto code = static_cast<uint32_t>(std::atoi(argv[2]));
      ok = CallSession(bus, session, "NotifyKeyboardKeycode", "ub", code, 1) &&
           CallSession(bus, session, "NotifyKeyboardKeycode", "ub", code, 0);
    } else {
      ok = CallSession(bus, session, "NotifyPointerMotionRelative", "dd", std::atof(argv[2]), std::atof(argv[3]));
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));
  }
  CallSession(bus, session, "Stop", nullptr);
  sd_bus_flush_close_unref(bus);
  return ok ? 0 : 1;
}
