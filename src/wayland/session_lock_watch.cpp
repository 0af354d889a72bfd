#include "wayland/session_lock_watch.h"

#include <systemd/sd-bus.h>

#include <cstdio>
#include <cstring>

#include "linux/callback_edge.h"
#include "linux/wake_clock.h"

namespace ambervale {
namespace {

// A desktop that does not answer a call in this time is taken for one that does not answer.
constexpr uint64_t kCallMicroseconds = 2'000'000;

struct ScreenSaverService {
  LockSource source;
  const char* name;  // also its interface
  const char* path;
};
constexpr ScreenSaverService kScreenSavers[] = {
    {LockSource::kGnomeScreenSaver, "org.gnome.ScreenSaver", "/org/gnome/ScreenSaver"},
    {LockSource::kFreedesktopScreenSaver, "org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver"},
};

constexpr const char* kLogind = "org.freedesktop.login1";
constexpr const char* kLogindPath = "/org/freedesktop/login1";
constexpr const char* kLogindManager = "org.freedesktop.login1.Manager";
constexpr const char* kLogindSession = "org.freedesktop.login1.Session";

// Who is asked to lock, in this order: the desktop's own lock screen, which reports itself on
// ActiveChanged, then logind, which passes the request on to whatever locker listens.
struct Locker {
  bool system_bus;
  const char* service;
  const char* path;
  const char* interface;
  const char* method;
  const char* session;  // logind's session argument; null: none
};
constexpr Locker kLockers[] = {
    {false, "org.gnome.ScreenSaver", "/org/gnome/ScreenSaver", "org.gnome.ScreenSaver", "Lock", nullptr},
    {false, "org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver", "Lock",
     nullptr},
    {true, kLogind, kLogindPath, kLogindManager, "LockSession", "auto"},
};

sd_bus* OpenBus(bool system) {
  sd_bus* bus = nullptr;
  if ((system ? sd_bus_open_system(&bus) : sd_bus_open_user(&bus)) < 0) return nullptr;
  sd_bus_set_method_call_timeout(bus, kCallMicroseconds);
  return bus;
}

// A call that starts no service: a desktop's screensaver that is not running stays so.
sd_bus_message* NewCall(sd_bus* bus, const char* service, const char* path, const char* interface, const char* method) {
  sd_bus_message* call = nullptr;
  if (!bus || sd_bus_message_new_method_call(bus, &call, service, path, interface, method) < 0) return nullptr;
  sd_bus_message_set_auto_start(call, 0);
  return call;
}

// The boolean a call without arguments answers; nothing where it fails.
std::optional<bool> AskBoolean(sd_bus* bus, const char* service, const char* path, const char* interface,
                               const char* method) {
  sd_bus_message* call = NewCall(bus, service, path, interface, method);
  if (!call) return std::nullopt;
  sd_bus_message* reply = nullptr;
  int value = 0;
  const bool answered = sd_bus_call(bus, call, 0, nullptr, &reply) >= 0 && sd_bus_message_read(reply, "b", &value) > 0;
  sd_bus_message_unref(reply);
  sd_bus_message_unref(call);
  if (!answered) return std::nullopt;
  return value != 0;
}

// logind's object of this program's session ("auto": ours, else the user's graphical one).
std::string OwnSessionPath(sd_bus* system) {
  sd_bus_message* reply = nullptr;
  const char* path = nullptr;
  std::string found;
  if (system &&
      sd_bus_call_method(system, kLogind, kLogindPath, kLogindManager, "GetSession", nullptr, &reply, "s", "auto") >=
          0 &&
      sd_bus_message_read(reply, "o", &path) > 0)
    found = path;
  sd_bus_message_unref(reply);
  return found;
}

std::optional<bool> LockedHintOf(sd_bus* system, const std::string& session_path) {
  int hint = 0;
  if (!system || session_path.empty() ||
      sd_bus_get_property_trivial(system, kLogind, session_path.c_str(), kLogindSession, "LockedHint", nullptr, 'b',
                                  &hint) < 0)
    return std::nullopt;
  return hint != 0;
}

// Only logind itself may say that our session locks: its signals are matched on its unique name,
// not on whatever else shares the system bus.
std::string UniqueNameOf(sd_bus* bus, const char* name) {
  sd_bus_message* reply = nullptr;
  const char* owner = nullptr;
  std::string found;
  if (sd_bus_call_method(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "GetNameOwner",
                         nullptr, &reply, "s", name) >= 0 &&
      sd_bus_message_read(reply, "s", &owner) > 0)
    found = owner;
  sd_bus_message_unref(reply);
  return found;
}

// Every message that waits on the bus; a bus that broke is closed, and its reports end.
void ProcessBus(sd_bus* bus) {
  if (!bus || sd_bus_is_open(bus) <= 0) return;
  int r;
  while ((r = sd_bus_process(bus, nullptr)) > 0) {
  }
  if (r < 0) sd_bus_close(bus);
}

}  // namespace

SessionLockWatch::SessionLockWatch(bool lock_when_it_ends)
    : model_(lock_when_it_ends), session_bus_(OpenBus(false)), system_bus_(OpenBus(true)) {
  WatchScreenSavers();
  WatchLogind();
  Say();
}

SessionLockWatch::~SessionLockWatch() {
  for (sd_bus_slot* slot : slots_) sd_bus_slot_unref(slot);
  sd_bus_flush_close_unref(session_bus_);
  sd_bus_flush_close_unref(system_bus_);
}

// Each screensaver's ActiveChanged on any path (KDE's comes on two), then its state now.
void SessionLockWatch::WatchScreenSavers() {
  if (!session_bus_) return;
  for (size_t i = 0; i < std::size(kScreenSavers); ++i) {
    const ScreenSaverService& saver = kScreenSavers[i];
    sd_bus_match_signal(session_bus_, &slots_[i], nullptr, nullptr, saver.name, "ActiveChanged", OnActiveChanged, this);
    if (const std::optional<bool> active = AskBoolean(session_bus_, saver.name, saver.path, saver.name, "GetActive"))
      model_.Reported(saver.source, *active);
  }
}

void SessionLockWatch::WatchLogind() {
  session_path_ = OwnSessionPath(system_bus_);
  const std::string logind = system_bus_ ? UniqueNameOf(system_bus_, kLogind) : std::string();
  if (session_path_.empty() || logind.empty()) return;
  const char* path = session_path_.c_str();
  sd_bus_match_signal(system_bus_, &slots_[2], logind.c_str(), path, kLogindSession, "Lock", OnLogindLock, this);
  sd_bus_match_signal(system_bus_, &slots_[3], logind.c_str(), path, "org.freedesktop.DBus.Properties",
                      "PropertiesChanged", OnSessionProperties, this);
  if (const std::optional<bool> hint = LockedHintOf(system_bus_, session_path_))
    model_.Reported(LockSource::kLogind, *hint);
}

std::span<pollfd> SessionLockWatch::PollFds() {
  sd_bus* buses[] = {session_bus_, system_bus_};
  for (size_t i = 0; i < fds_.size(); ++i) {
    const bool open = buses[i] && sd_bus_is_open(buses[i]) > 0;
    fds_[i] = {open ? sd_bus_get_fd(buses[i]) : -1, open ? static_cast<short>(sd_bus_get_events(buses[i])) : short{0},
               0};
  }
  return fds_;
}

std::optional<MonotonicTime> SessionLockWatch::NextWake() const {
  std::optional<MonotonicTime> wake = model_.Deadline();
  for (sd_bus* bus : {session_bus_, system_bus_}) {
    uint64_t due = 0;
    if (!bus || sd_bus_is_open(bus) <= 0 || sd_bus_get_timeout(bus, &due) < 0 || due == UINT64_MAX) continue;
    const MonotonicTime at{static_cast<MonotonicTime::rep>(due)};
    if (!wake || at < *wake) wake = at;
  }
  return wake;
}

void SessionLockWatch::Dispatch(MonotonicTime now) {
  ProcessBus(session_bus_);
  ProcessBus(system_bus_);
  model_.TimePassed(now);
  Say();
}

bool SessionLockWatch::CloseRequested(MonotonicTime now) {
  const SessionLockModel::Close step = model_.CloseRequested(now);
  if (step == SessionLockModel::Close::kRequestLock) RequestLock(0);
  Say();
  return step == SessionLockModel::Close::kEnd;
}

// Asks the lockers from `first` on until one takes the call; its answer comes to OnLockAnswered.
void SessionLockWatch::RequestLock(size_t first) {
  for (locker_ = first; locker_ < std::size(kLockers); ++locker_) {
    const Locker& locker = kLockers[locker_];
    sd_bus* bus = locker.system_bus ? system_bus_ : session_bus_;
    sd_bus_message* call = NewCall(bus, locker.service, locker.path, locker.interface, locker.method);
    if (!call) continue;
    const bool sent = (!locker.session || sd_bus_message_append(call, "s", locker.session) >= 0) &&
                      sd_bus_call_async(bus, nullptr, call, OnLockAnswered, this, kCallMicroseconds) >= 0;
    sd_bus_message_unref(call);
    if (sent) return;
  }
  model_.LockRequestRefused(MonotonicNow());
}

void SessionLockWatch::Say() {
  const std::string notice = model_.TakeNotice();
  if (!notice.empty()) std::fprintf(stderr, "ambervale-wayland: %s\n", notice.c_str());
}

int SessionLockWatch::OnActiveChanged(sd_bus_message* message, void* data, sd_bus_error*) {
  CatchAtEdge(CallbackEdge::kSdBus, [&] {
    auto* self = static_cast<SessionLockWatch*>(data);
    int active = 0;
    const char* interface = sd_bus_message_get_interface(message);
    if (!interface || sd_bus_message_read(message, "b", &active) <= 0) return;
    for (const ScreenSaverService& saver : kScreenSavers)
      if (std::strcmp(interface, saver.name) == 0) self->model_.Reported(saver.source, active != 0);
  });
  return 0;
}

int SessionLockWatch::OnLogindLock(sd_bus_message*, void* data, sd_bus_error*) {
  CatchAtEdge(CallbackEdge::kSdBus, [&] { static_cast<SessionLockWatch*>(data)->model_.LockAsked(MonotonicNow()); });
  return 0;
}

// PropertiesChanged (s interface, a{sv} changed, as invalidated): LockedHint among the changed.
int SessionLockWatch::OnSessionProperties(sd_bus_message* message, void* data, sd_bus_error*) {
  CatchAtEdge(CallbackEdge::kSdBus, [&] {
    auto* self = static_cast<SessionLockWatch*>(data);
    const char* interface = nullptr;
    if (sd_bus_message_read(message, "s", &interface) <= 0 || std::strcmp(interface, kLogindSession) != 0) return;
    if (sd_bus_message_enter_container(message, 'a', "{sv}") <= 0) return;
    while (sd_bus_message_enter_container(message, 'e', "sv") > 0) {
      const char* name = nullptr;
      int hint = 0;
      if (sd_bus_message_read(message, "s", &name) <= 0) return;
      if (std::strcmp(name, "LockedHint") == 0 && sd_bus_message_read(message, "v", "b", &hint) > 0) {
        self->model_.Reported(LockSource::kLogind, hint != 0);
      } else if (sd_bus_message_skip(message, "v") < 0) {
        return;
      }
      if (sd_bus_message_exit_container(message) < 0) return;
    }
  });
  return 0;
}

// A locker that refuses (or is not there) hands the request to the next.
int SessionLockWatch::OnLockAnswered(sd_bus_message* reply, void* data, sd_bus_error*) {
  CatchAtEdge(CallbackEdge::kSdBus, [&] {
    auto* self = static_cast<SessionLockWatch*>(data);
    const char* service = kLockers[self->locker_].service;
    if (!sd_bus_message_is_method_error(reply, nullptr)) {
      std::fprintf(stderr, "ambervale-wayland: %s locks the session; the saver ends once the lock is up\n", service);
      return;
    }
    // Most desktops offer one of the lockers: the others' absence is no news.
    const sd_bus_error* error = sd_bus_message_get_error(reply);
    if (!sd_bus_message_is_method_error(reply, SD_BUS_ERROR_SERVICE_UNKNOWN) &&
        !sd_bus_message_is_method_error(reply, SD_BUS_ERROR_NAME_HAS_NO_OWNER))
      std::fprintf(stderr, "ambervale-wayland: %s does not lock: %s\n", service,
                   error && error->message ? error->message : "no answer");
    self->RequestLock(self->locker_ + 1);
    self->Say();
  });
  return 0;
}

bool SessionLockedOrBlanked() {
  sd_bus* session = OpenBus(false);
  sd_bus* system = OpenBus(true);
  bool up = LockedHintOf(system, OwnSessionPath(system)).value_or(false);
  for (const ScreenSaverService& saver : kScreenSavers)
    up = up || AskBoolean(session, saver.name, saver.path, saver.name, "GetActive").value_or(false);
  sd_bus_flush_close_unref(session);
  sd_bus_flush_close_unref(system);
  return up;
}

}  // namespace ambervale
