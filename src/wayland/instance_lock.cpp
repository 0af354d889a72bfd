#include "wayland/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace ambervale {

InstanceLock::InstanceLock(const char* runtime_dir, const char* wayland_display, Role role) {
  if (!runtime_dir || runtime_dir[0] != '/') return;
  std::string display = wayland_display && wayland_display[0] ? wayland_display : "wayland-0";
  // WAYLAND_DISPLAY may be a path of its own; only its last part names the session.
  display = display.substr(display.find_last_of('/') + 1);
  path_ = std::string(runtime_dir) + (role == Role::kSaver ? "/ambervale-wayland-" : "/ambervale-wayland-idle-") +
          display + ".lock";
  fd_ = open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd_ < 0) return;
  // flock goes with the open file: the lock ends with the process, however it ends.
  if (flock(fd_, LOCK_EX | LOCK_NB) == 0) {
    state_ = State::kHeld;
  } else if (errno == EWOULDBLOCK) {
    state_ = State::kTaken;
  }
}

InstanceLock::~InstanceLock() {
  if (fd_ >= 0) close(fd_);
}

}  // namespace ambervale
