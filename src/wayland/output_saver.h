// One output's saver: its own grid, layout cycle and sprite, drawn into a back buffer at the
// output's real pixels, through a run of its own (BufferedRun).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "engine/saver_run.h"
#include "linux/linux_options.h"
#include "surfaces/back_buffer.h"

namespace ambervale {

class BufferedRun;

class OutputSaver {
 public:
  // `stagger` (a small count, e.g. the output's position in the list) keeps outputs started in
  // the same millisecond from running the same random sequence.
  OutputSaver(const LinuxSettings& settings, int32_t stagger);
  ~OutputSaver();

  // Starts on a width x height buffer over `background` (0x00RRGGBB, top row first), or over
  // the plain background when it is empty or of another size; a failure raises.
  void Start(int32_t width, int32_t height, std::vector<uint32_t> background);
  // A new size (a new mode or scale): a new grid over the same picture, fitted.
  void Resize(int32_t width, int32_t height);

  // Every tick due at `now`; what changed is in buffer pixels.
  SaverRun::Wake Advance(MonotonicTime now);
  // The door for the input the program sees, and for the close that input asks for.
  SaverRun& Run();

  const BackBuffer& Buffer() const;
  // Where each new buffer draws (BufferedRun::DrawInto), and where the present one draws on
  // (BackBuffer::MoveTo).
  void DrawInto(std::function<uint32_t*(int32_t width, int32_t height)> memory);
  void MoveTo(uint32_t* memory);

 private:
  std::unique_ptr<BufferedRun> run_;
};

}  // namespace ambervale
