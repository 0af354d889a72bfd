// A saver run over a back buffer in our memory, as the Linux programs host it (the X11 hack's
// window with a grid on each monitor it covers, each Wayland output, the settings window's
// preview): the run's SaverHost. The program reports its input and the settings window its
// changes to the run (Run()), and presents what each wake changed. Free of X11 and Wayland.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "engine/random.h"
#include "engine/saver_engine.h"
#include "engine/saver_run.h"
#include "surfaces/back_buffer.h"

namespace ambervale {

class BufferedRun final : private SaverHost {
 public:
  // `start_time` seeds the generator as the start-up does from the clock.
  BufferedRun(const Settings& settings, TimeOfDay start_time, RunRules rules);
  ~BufferedRun() override;
  BufferedRun(const BufferedRun&) = delete;
  BufferedRun& operator=(const BufferedRun&) = delete;

  // The start-up on a window of this size over this picture (width x height pixels,
  // 0x00RRGGBB; any other size gives the plain background), with a grid on each of `screens`
  // (buffer pixels; none: the whole buffer is one screen). A full-screen start-up has no quiet
  // failure: what fails raises (DrawingFailure), on its way to the program's main.
  void Start(int32_t width, int32_t height, std::vector<uint32_t> background, std::vector<Rect> screens = {});
  // A new size or new screens: a new buffer over the given picture, which the run follows with
  // a new grid on each screen and a fresh cycle.
  void Resize(int32_t width, int32_t height, std::vector<uint32_t> background, std::vector<Rect> screens = {});
  // The picture the buffer shows behind the leaves, fitted to a new size: what a resize keeps
  // where no new picture comes (the screen itself has our leaves on it by then).
  std::vector<uint32_t> FittedBackground(int32_t width, int32_t height) const;
  // The program's wake at `now`: every tick that is due (SaverRun::Advance); `changed` in
  // buffer pixels, all of the buffer after a Start or Resize.
  SaverRun::Wake Advance(MonotonicTime now);
  // The door for input and settings: KeyPressed, ButtonPressed, PointerAt, ChangeSetting,
  // TakeCloseRequest.
  SaverRun& Run() { return run_; }

  // Where each new buffer's pixels live from now on: width x height pixels the program gives
  // (memory the display reads from, so that presenting copies nothing), kept until the next
  // buffer; the buffer's own memory where it gives none.
  using PixelMemory = std::function<uint32_t*(int32_t width, int32_t height)>;
  void DrawInto(PixelMemory memory) { pixel_memory_ = std::move(memory); }

  BackBuffer& Buffer() { return *buffer_; }
  const SaverState& State() const { return state_; }

 private:
  void SetBuffer(int32_t width, int32_t height, std::vector<uint32_t> background, std::vector<Rect> screens);

  // SaverHost
  Settings LoadSettings() override { return settings_; }
  std::vector<Rect> Screens() override { return screens_; }
  std::unique_ptr<DrawTarget> CreateDrawTarget() override;
  std::unique_ptr<ArgbBitmap> CreateBitmap(int32_t width, int32_t height) override;
  // A restore copies back what the leaves covered; the whole buffer after a new background.
  void ShowDesktop(const Rect& area) override { present_whole_ |= buffer_->RestoreWithin(area); }

  Settings settings_;
  TimeOfDay start_time_;
  SaverState state_;
  LeafImageSet leaves_;
  SaverRun run_;
  std::unique_ptr<BackBuffer> buffer_;
  PixelMemory pixel_memory_;
  std::vector<Rect> screens_;
  bool present_whole_ = false;  // a new buffer or background since the last wake
};

}  // namespace ambervale
