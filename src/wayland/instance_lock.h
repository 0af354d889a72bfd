// One saver and one idle watcher per Wayland session: an idle daemon may start the program
// again while it runs, and the watcher's own saver takes the saver's lock like any other. The
// lock also names its holder, so that the settings window can find the running watcher.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

namespace ambervale {

class InstanceLock {
 public:
  enum class State {
    kHeld,         // ours until the process ends
    kTaken,        // another instance holds it
    kUnavailable,  // no runtime folder or no lock file: run without one
  };

  enum class Role { kSaver, kIdleWatcher };

  // The role's lock file for this Wayland display in the session's runtime folder.
  InstanceLock(const char* runtime_dir, const char* wayland_display, Role role = Role::kSaver);
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  State state() const { return state_; }
  const std::string& path() const { return path_; }

  // Where the role's lock lies; empty without an absolute runtime folder.
  static std::string PathOf(const char* runtime_dir, const char* wayland_display, Role role);
  // The process that holds the lock at `path`, if one does.
  static std::optional<pid_t> Holder(const std::string& path);

 private:
  int fd_ = -1;
  std::string path_;
  State state_ = State::kUnavailable;
};

}  // namespace ambervale
