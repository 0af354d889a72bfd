#include "wayland/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <string_view>

namespace ambervale {
namespace {

// The whole file, for writing: a record lock, which another process can ask the holder of.
struct flock WholeFile() {
  struct flock whole {};
  whole.l_type = F_WRLCK;
  whole.l_whence = SEEK_SET;
  return whole;
}

// The holder of the whole-file lock alone, as an earlier version's watcher holds it, from the
// kernel's list of locks: asking by taking that lock could turn a starting watcher away.
std::optional<pid_t> OldLockHolder(const struct stat& file) {
  std::ifstream locks("/proc/locks");
  std::string line;
  while (std::getline(locks, line)) {
    // "1: FLOCK  ADVISORY  WRITE 1234 08:01:5678 0 EOF"; a waiter's line has "->" before FLOCK.
    char kind[16] = {};
    long pid = 0;
    unsigned major_number = 0, minor_number = 0;
    unsigned long inode = 0;
    if (std::sscanf(line.c_str(), "%*d: %15s %*s %*s %ld %x:%x:%lu", kind, &pid, &major_number, &minor_number,
                    &inode) == 5 &&
        std::string_view(kind) == "FLOCK" && major_number == major(file.st_dev) && minor_number == minor(file.st_dev) &&
        inode == file.st_ino && pid > 0)
      return static_cast<pid_t>(pid);
  }
  return std::nullopt;
}

}  // namespace

std::string InstanceLock::PathOf(const char* runtime_dir, const char* wayland_display, Role role) {
  if (!runtime_dir || runtime_dir[0] != '/') return {};
  std::string display = wayland_display && wayland_display[0] ? wayland_display : "wayland-0";
  // WAYLAND_DISPLAY may be a path of its own; only its last part names the session.
  display = display.substr(display.find_last_of('/') + 1);
  return std::string(runtime_dir) + (role == Role::kSaver ? "/ambervale-wayland-" : "/ambervale-wayland-idle-") +
         display + ".lock";
}

InstanceLock::InstanceLock(const char* runtime_dir, const char* wayland_display, Role role)
    : path_(PathOf(runtime_dir, wayland_display, role)) {
  if (path_.empty()) return;
  fd_ = open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd_ < 0) return;
  // A record lock belongs to the process: it ends with it, however it ends, and the saver the
  // watcher starts does not inherit it. The whole-file lock beside it is the one that earlier
  // versions take: a watcher still running an old program after an update keeps this one from
  // starting.
  struct flock whole = WholeFile();
  if (fcntl(fd_, F_SETLK, &whole) == 0 && flock(fd_, LOCK_EX | LOCK_NB) == 0) {
    state_ = State::kHeld;
  } else if (errno == EACCES || errno == EAGAIN || errno == EWOULDBLOCK) {
    state_ = State::kTaken;
  }
}

InstanceLock::~InstanceLock() {
  if (fd_ >= 0) close(fd_);
}

std::optional<pid_t> InstanceLock::Holder(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return std::nullopt;
  struct flock whole = WholeFile();
  const bool asked = fcntl(fd, F_GETLK, &whole) == 0;
  struct stat file {};
  const bool known = fstat(fd, &file) == 0;
  close(fd);
  if (asked && whole.l_type != F_UNLCK && whole.l_pid > 0) return whole.l_pid;
  return known ? OldLockHolder(file) : std::nullopt;
}

}  // namespace ambervale
