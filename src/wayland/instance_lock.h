// One saver per Wayland session: an idle daemon may start the program again while it runs.
#pragma once

#include <string>

namespace ambervale {

class InstanceLock {
 public:
  enum class State {
    kHeld,         // ours until the process ends
    kTaken,        // another instance holds it
    kUnavailable,  // no runtime folder or no lock file: run without one
  };

  // The lock file for this Wayland display in the session's runtime folder.
  InstanceLock(const char* runtime_dir, const char* wayland_display);
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  State state() const { return state_; }
  const std::string& path() const { return path_; }

 private:
  int fd_ = -1;
  std::string path_;
  State state_ = State::kUnavailable;
};

}  // namespace ambervale
