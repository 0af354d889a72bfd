#include "wayland/idle_watcher.h"

#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string_view>

#include "ext-idle-notify-v1-client-protocol.h"
#include "kde-idle-client-protocol.h"
#include "linux/callback_edge.h"
#include "linux/stop_signals.h"
#include "linux/wake_clock.h"
#include "wayland/idle_source.h"
#include "wayland/session_lock_watch.h"
#include "wayland/wayland_wait.h"

extern char** environ;

namespace ambervale {
namespace {

void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t) {
  auto* globals = static_cast<IdleGlobals*>(data);
  const std::string_view offered = interface;
  if (offered == ext_idle_notifier_v1_interface.name) globals->ext_notifier = name;
  if (offered == org_kde_kwin_idle_interface.name) globals->kde_idle = name;
  if (offered == wl_seat_interface.name && !globals->seat)
    globals->seat = static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
}
void OnGlobalRemove(void*, wl_registry*, uint32_t) {}

constexpr std::string_view kDeleted = " (deleted)";

// The file this process runs, as the kernel names it: with kDeleted after it once the file is
// gone from its folder.
std::string OwnFile() {
  char path[4096];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  return length > 0 ? std::string(path, static_cast<size_t>(length)) : std::string();
}

// This very program: its file, under its own name for ps and pgrep; where a package update has
// replaced the file since the watcher started, the old program still open in the kernel.
std::string ProgramPath() {
  const std::string file = OwnFile();
  if (file.empty() || file.ends_with(kDeleted) || access(file.c_str(), X_OK) != 0) return "/proc/self/exe";
  return file;
}

// The program was uninstalled, not replaced by an update: nothing is left at its path. The
// watcher then ends, so that removing the package stops it without a hook of the package's.
bool ProgramRemoved() {
  std::string file = OwnFile();
  if (!file.ends_with(kDeleted)) return false;
  file.resize(file.size() - kDeleted.size());
  return access(file.c_str(), X_OK) != 0;
}

// The saver as a child process: the same program, the same settings, no --idle.
class SaverProcess {
 public:
  ~SaverProcess() { Stop(); }

  bool Running() const { return pid_ > 0; }
  // A descriptor that becomes readable when the child ends (-1 while none runs).
  int ExitFd() const { return exit_fd_; }

  void Start(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    // The watcher blocks the stop signals to wait for them; the saver installs its own.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    const int error = posix_spawn(&pid_, ProgramPath().c_str(), nullptr, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) {
      std::fprintf(stderr, "ambervale-wayland: cannot start the saver: %s\n", std::strerror(error));
      pid_ = 0;
      return;
    }
    exit_fd_ = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
  }

  // Collects the child once it has ended; true when it has.
  bool Reap() {
    if (pid_ <= 0) return true;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) != pid_) return false;
    if (WIFEXITED(status) && WEXITSTATUS(status) != 0)
      std::fprintf(stderr, "ambervale-wayland: the saver ended with status %d\n", WEXITSTATUS(status));
    Forget();
    return true;
  }

  void Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    Forget();
  }

 private:
  void Forget() {
    if (exit_fd_ >= 0) close(exit_fd_);
    exit_fd_ = -1;
    pid_ = 0;
  }

  pid_t pid_ = 0;
  int exit_fd_ = -1;
};

// Sleeps until the compositor, the idle source, the saver's end or a signal has something.
// False when the connection to the compositor or the bus broke.
bool Wait(wl_display* display, IdleSource& source, SaverProcess& saver, const sigset_t& wait_mask) {
  pollfd others[2] = {{source.Fd(), source.PollEvents(), 0}, {saver.ExitFd(), POLLIN, 0}};
  // Without a process descriptor (kernels before 5.3) the child's end is looked for each second.
  const bool saver_unwatched = saver.Running() && saver.ExitFd() < 0;
  const auto wake = [saver_unwatched]() -> std::optional<MonotonicTime> {
    if (!saver_unwatched) return std::nullopt;
    return MonotonicNow() + std::chrono::seconds(1);
  };
  if (!WaitForWayland(display, others, wake, wait_mask)) return false;
  return others[0].fd < 0 || !others[0].revents || source.Dispatch();
}

}  // namespace

int RunIdleWatcher(wl_display* display, int32_t seconds, const std::vector<std::string>& saver_arguments,
                   const sigset_t& wait_mask) {
  IdleGlobals globals;
  globals.registry = wl_display_get_registry(display);
  static const wl_registry_listener listener = {AtWaylandEdge<OnGlobal>, OnGlobalRemove};
  wl_registry_add_listener(globals.registry, &listener, &globals);
  if (wl_display_roundtrip(display) < 0) return 1;
  RethrowCaughtFailure();

  const auto milliseconds = static_cast<uint32_t>(seconds) * 1000u;
  std::unique_ptr<IdleSource> source = MakeWaylandIdle(globals, milliseconds);
  if (!source) source = MakeGnomeIdleMonitor(milliseconds);
  int status = 0;
  if (!source) {
    std::fprintf(stderr,
                 "ambervale-wayland: the compositor offers no idle protocol (ext-idle-notify-v1, "
                 "org_kde_kwin_idle) and the session bus no org.gnome.Mutter.IdleMonitor\n");
    status = 1;
  } else {
    std::fprintf(stderr, "ambervale-wayland: the saver after %d s idle (%s)\n", seconds, source->Name().c_str());
    SaverProcess saver;
    source->Dispatch();  // what came with the watch's setting up
    RethrowCaughtFailure();
    while (!StopRequested()) {
      const bool connected = Wait(display, *source, saver, wait_mask);
      RethrowCaughtFailure();  // from a listener or bus handler of this wait
      if (!connected) {
        std::fprintf(stderr, "ambervale-wayland: the connection to the compositor or the session bus broke\n");
        break;
      }
      const bool saver_ended = saver.Running() && saver.Reap();
      const bool idle = source->TakeIdle();
      // An idle stretch while the saver shows (a slow pointer left it going) starts nothing.
      if (saver.Running() || (!idle && !saver_ended)) continue;
      // Looked at as each idle time begins and ends, with no saver showing.
      if (ProgramRemoved()) {
        std::fprintf(stderr, "ambervale-wayland: the program has been removed; the idle watcher ends\n");
        break;
      }
      if (!idle) continue;
      // None behind the desktop's lock or blanking: the next idle stretch after them starts one.
      if (SessionLockedOrBlanked()) {
        std::fprintf(stderr, "ambervale-wayland: idle, but the session is locked or blanked: no saver\n");
        continue;
      }
      saver.Start(saver_arguments);
    }
  }
  source.reset();
  if (globals.seat) wl_seat_destroy(globals.seat);
  wl_registry_destroy(globals.registry);
  return status;
}

}  // namespace ambervale
