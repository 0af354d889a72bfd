// One screen's saver run over a back buffer in our memory, as the Linux programs host it (the
// X11 hack's window, each Wayland output): the same start-up, tick and restore as on Windows.
// The program presents the buffer's dirty rectangle after each step. Free of X11 and Wayland.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/random.h"
#include "engine/saver_engine.h"
#include "engine/saver_run.h"
#include "linux/linux_options.h"
#include "surfaces/back_buffer.h"

namespace ambervale {

class BufferedRun final : private SaverHost {
 public:
  // `start_time` seeds the generator as the start-up does from the clock.
  BufferedRun(const LinuxSettings& settings, TimeOfDay start_time);
  ~BufferedRun() override;
  BufferedRun(const BufferedRun&) = delete;
  BufferedRun& operator=(const BufferedRun&) = delete;

  // The start-up on a window of this size over this picture (width x height pixels,
  // 0x00RRGGBB; any other size gives the plain background). False when it failed.
  bool Start(int32_t width, int32_t height, std::vector<uint32_t> background);
  // A new screen size: a new buffer over the given picture, which the run follows with a new
  // grid and a fresh cycle.
  void Resize(int32_t width, int32_t height, std::vector<uint32_t> background);
  // The program's wake at `now`: every tick that is due (SaverRun::Advance); `changed` in
  // buffer pixels, all of the buffer after a Start or Resize.
  SaverRun::Wake Advance(MonotonicTime now);

  BackBuffer& Buffer() { return *buffer_; }
  SaverState& State() { return state_; }

 private:
  void SetBuffer(int32_t width, int32_t height, std::vector<uint32_t> background);

  // SaverHost
  Settings LoadSettings() override { return settings_; }
  std::vector<Rect> Screens() override { return {Rect{0, 0, buffer_->Width(), buffer_->Height()}}; }
  std::unique_ptr<DrawTarget> CreateDrawTarget() override;
  std::unique_ptr<ArgbBitmap> CreateBitmap(int32_t width, int32_t height) override;
  void ShowDesktop(const Rect&) override { buffer_->Restore(); }

  Settings settings_;
  TimeOfDay start_time_;
  SaverState state_;
  LeafImageSet leaves_;
  SaverRun run_;
  std::unique_ptr<BackBuffer> buffer_;
  bool buffer_replaced_ = false;  // since the last wake
};

}  // namespace ambervale
