#include "gtk_settings/session_watcher.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "gtk_settings/idle_autostart.h"
#include "wayland/instance_lock.h"

namespace ambervale {
namespace {

constexpr const char* kNoRuntimeFolder = "XDG_RUNTIME_DIR names no folder, so the running watcher cannot be found";
// A watcher ends within milliseconds of SIGTERM and takes its lock as it starts; this bounds a
// stuck or failing one.
constexpr auto kPatience = std::chrono::seconds(5);

// Waits until `done` holds or the patience runs out; true when it held.
template <typename Condition>
bool WaitUntil(Condition done) {
  const auto give_up = std::chrono::steady_clock::now() + kPatience;
  while (!done()) {
    if (std::chrono::steady_clock::now() > give_up) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// Runs `argv` as a grandchild in a session of its own, so that it outlives the window and is
// nobody's zombie. Between fork and exec only async-signal-safe calls: the window has threads.
// Returns 0 once it runs, or the errno of what failed.
int SpawnDetached(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  int report[2];  // the exec's errno, or the end of file that a successful exec's close gives
  if (pipe2(report, O_CLOEXEC) != 0) return errno;
  const pid_t child = fork();
  if (child < 0) {
    const int error = errno;
    close(report[0]);
    close(report[1]);
    return error;
  }
  if (child == 0) {
    setsid();
    if (fork() == 0) {
      // Only the report's pipe stays open, past the standard streams: the window's own
      // descriptors (its compositor connection among them) are not the watcher's.
      dup2(report[1], 3);
      fcntl(3, F_SETFD, FD_CLOEXEC);
      closefrom(4);
      sigset_t none;
      sigemptyset(&none);
      sigprocmask(SIG_SETMASK, &none, nullptr);
      (void)!chdir("/");  // the window's folder may be one the user wants to unmount
      execv(argv[0], argv.data());
      const int error = errno;
      (void)!write(3, &error, sizeof error);
    }
    _exit(0);
  }
  close(report[1]);
  waitpid(child, nullptr, 0);
  int error = 0;
  while (read(report[0], &error, sizeof error) < 0 && errno == EINTR) {
  }
  close(report[0]);
  return error;
}

}  // namespace

SessionWatcher::SessionWatcher(std::string autostart_path, std::string program, std::string lock_path)
    : autostart_path_(std::move(autostart_path)), program_(std::move(program)), lock_path_(std::move(lock_path)) {}

std::string SessionWatcher::WriteAutostart(int minutes) {
  if (autostart_path_.empty()) return "neither XDG_CONFIG_HOME nor HOME names a folder for the autostart entry";
  return SetIdleAutostart(autostart_path_, minutes);
}

std::string SessionWatcher::StopWatcher() {
  if (lock_path_.empty()) return kNoRuntimeFolder;
  const std::optional<pid_t> watcher = InstanceLock::Holder(lock_path_);
  if (!watcher) return {};
  if (kill(*watcher, SIGTERM) != 0 && errno != ESRCH)
    return "cannot stop the running watcher (process " + std::to_string(*watcher) + "): " + std::strerror(errno);
  if (!WaitUntil([&] { return InstanceLock::Holder(lock_path_) != watcher; }))
    return "the running watcher (process " + std::to_string(*watcher) + ") did not end";
  return {};
}

std::string SessionWatcher::StartWatcher(int minutes) {
  if (lock_path_.empty()) return kNoRuntimeFolder;
  if (const int error = SpawnDetached({program_, "--idle", std::to_string(minutes * 60)}); error != 0)
    return "cannot start " + program_ + ": " + std::strerror(error);
  if (!WaitUntil([&] { return InstanceLock::Holder(lock_path_).has_value(); }))
    return "the watcher did not start; its messages are in the session's log";
  return {};
}

}  // namespace ambervale
