// One output's saver: its own grid, layout cycle and sprite, drawn into a back buffer at the
// output's real pixels. The only place that talks to the engine, so that a change of the
// engine's interface stays here.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include "linux/linux_options.h"
#include "surfaces/back_buffer.h"

namespace ambervale {

class BufferedRun;

class OutputSaver {
 public:
  using Clock = std::chrono::steady_clock;

  // `stagger` (a small count, e.g. the output's position in the list) keeps outputs started in
  // the same millisecond from running the same random sequence.
  OutputSaver(const LinuxSettings& settings, int32_t stagger);
  ~OutputSaver();

  // Starts on a width x height buffer over `background` (0x00RRGGBB, top row first), or over
  // the plain background when it is empty or of another size. False when it failed.
  bool Start(int32_t width, int32_t height, std::vector<uint32_t> background);
  // A new size (a new mode or scale): a new grid over the same picture, fitted.
  void Resize(int32_t width, int32_t height);

  bool Due(Clock::time_point now) const;
  // Nanoseconds until the next tick is due (0: now, -1: never).
  int64_t WaitNanoseconds(Clock::time_point now) const;
  // One tick; returns the rectangle of buffer pixels it changed (maybe empty).
  Rect Tick(Clock::time_point now);

  const BackBuffer& Buffer() const;
  // Everything changed since the last call.
  Rect TakeDirty();

 private:
  std::unique_ptr<BufferedRun> run_;
};


}  // namespace ambervale
