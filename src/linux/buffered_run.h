// A saver run over back buffers in our memory, as the Linux programs host it (the X11 hack's
// window with a grid on each monitor it covers, the Wayland program's outputs with a buffer
// each, the settings window's preview): the run's SaverHost. The program reports its input and the settings window its
// changes to the run (Run()), and presents what each wake changed. Free of X11 and Wayland.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "engine/random.h"
#include "engine/saver_engine.h"
#include "run/saver_run.h"
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

  // One buffer per screen (each Wayland output's): the panes lie side by side from (0, 0) in
  // the run's coordinates, the first the primary screen. Start and Resize as above.
  struct PaneSpec {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> background;  // as Start's
  };
  void Start(std::vector<PaneSpec> panes);
  void Resize(std::vector<PaneSpec> panes);
  size_t Panes() const { return panes_.size(); }
  // Where a pane lies in the run's coordinates, the coordinates of a wake's `changed`.
  Rect PaneArea(size_t pane) const;
  // What of a wake's `changed` lies in a pane, in the pane's own pixels.
  Damage ChangedIn(const Damage& changed, size_t pane) const;

  // The picture a pane shows behind the leaves, fitted to a new size: what a resize keeps
  // where no new picture comes (the screen itself has our leaves on it by then).
  std::vector<uint32_t> FittedBackground(int32_t width, int32_t height, size_t pane = 0) const;
  // The program's wake at `now`: every tick that is due (SaverRun::Advance); `changed` in
  // the run's coordinates (a single buffer's pixels), all of a pane after a Start or Resize.
  SaverRun::Wake Advance(MonotonicTime now);
  // The door for input and settings: KeyPressed, ButtonPressed, PointerAt, ChangeSetting,
  // TakeCloseRequest.
  SaverRun& Run() { return run_; }

  // Where each new buffer's pixels live from now on: width x height pixels the program gives
  // for that pane (memory the display reads from, so that presenting copies nothing), kept
  // until the next buffer; the buffer's own memory where it gives none.
  using PixelMemory = std::function<uint32_t*(size_t pane, int32_t width, int32_t height)>;
  void DrawInto(PixelMemory memory) { pixel_memory_ = std::move(memory); }

  BackBuffer& Buffer(size_t pane = 0) { return *panes_[pane]; }
  // The primary screen's drawing state.
  const SaverState& State() const { return run_.State(0); }

 private:
  void SetPanes(std::vector<PaneSpec> panes, std::vector<Rect> screens);

  // SaverHost
  void LoadSettings(Settings& settings) override { settings = settings_; }
  std::vector<Rect> Screens() override { return screens_; }
  std::unique_ptr<DrawTarget> CreateDrawTarget() override;
  std::unique_ptr<ArgbBitmap> CreateBitmap(int32_t width, int32_t height) override;
  // A restore copies back what the leaves covered; the whole pane after a new background.
  void ShowDesktop(const Rect& area) override;

  Settings settings_;
  TimeOfDay start_time_;
  LeafImageSet leaves_;
  SaverRun run_;
  std::vector<std::unique_ptr<BackBuffer>> panes_;  // each drawing at its place (SetOrigin)
  PixelMemory pixel_memory_;
  std::vector<Rect> screens_;
  Damage present_whole_;  // the panes with a new buffer or background since the last wake
};

}  // namespace ambervale
