// One wl_output and what the saver shows on it: what the compositor says of it, the desktop's
// picture until the run starts over it, the surface and its two buffers, and what waits there
// for the next frame.
#pragma once

#include <wayland-client.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "run/pacer.h"
#include "linux/buffered_run.h"
#include "linux/scale_picture.h"
#include "linux/tick_stats.h"
#include "surfaces/damage.h"
#include "wayland/output_description.h"
#include "wayland/shell_surface.h"
#include "wayland/shm_buffer.h"

struct wp_viewport;
struct wp_fractional_scale_v1;

namespace ambervale {

class WaylandGlobals;
struct OutputView;

// What an output tells the client, from the listeners.
class OutputEvents {
 public:
  virtual ~OutputEvents() = default;
  virtual void OnOutputDone(OutputView& output) = 0;
  // The compositor asks for this size in logical pixels; 0 x 0 leaves it to the client.
  virtual void OnConfigure(OutputView& output, int32_t width, int32_t height) = 0;
  virtual void OnFrameDone(OutputView& output) = 0;
};

struct OutputView {
  OutputView(OutputEvents& events, wl_registry* registry, uint32_t name, uint32_t version);
  ~OutputView();
  OutputView(const OutputView&) = delete;
  OutputView& operator=(const OutputView&) = delete;

  // The surface over the output, with its role; the first configure follows.
  void MapSurface(const WaylandGlobals& globals);
  // The size the compositor asks for in logical pixels (0 x 0: the output's own); true when
  // the surface needs buffers of a new size.
  bool Configure(int32_t width, int32_t height);
  // The buffer the output shows, at its real pixels.
  BufferPlan Plan() const {
    return PlanBuffer(description, logical_width, logical_height, viewport != nullptr, preferred_scale_120);
  }
  int32_t BufferWidth() const { return Plan().width; }
  int32_t BufferHeight() const { return Plan().height; }
  // The desktop's picture at the buffer size (once: the run keeps it from then on).
  std::vector<uint32_t> ScaledPicture();
  // New buffers at the buffer size for the run's pane, which shows `background`.
  BufferedRun::PaneSpec NewPane(const WaylandGlobals& globals, std::vector<uint32_t> background);
  // The run drew `changed` (the output's pixels) into `pane` in a wake of `ticks` ticks.
  void Drew(const Damage& changed, const BackBuffer& pane, MonotonicTime now, int32_t ticks);
  // Moves the pane's drawing to the buffer the compositor no longer reads, once it caught up.
  void DrawOnInAFreeBuffer(BackBuffer& pane);
  // The --fps summary line of the output, whose pane is `buffer`.
  void PrintStats(const BackBuffer& buffer, uint32_t nominal_ms) const;
  // Puts what the saver drew (`pixels`, the pane's current memory) since the last present on
  // the surface and asks for the next frame; nothing while a frame is pending or nothing
  // changed. True when it presented.
  bool Present(const uint32_t* pixels, const WaylandGlobals& globals, MonotonicTime now);
  void FrameDone();

  OutputEvents& events;
  OutputDescription description;
  DesktopPicture picture;  // until the run starts over it

  wl_surface* surface = nullptr;
  wp_viewport* viewport = nullptr;               // where the compositor offers wp_viewporter
  wp_fractional_scale_v1* fractional = nullptr;  // where it offers wp_fractional_scale_v1
  std::optional<uint32_t> preferred_scale_120;   // what that says, in 120ths
  std::unique_ptr<ShellSurface> shell;
  bool closed = false;  // the compositor closed our surface
  int32_t logical_width = 0, logical_height = 0;
  std::optional<size_t> pane;  // the run's buffer for this output, once it has one
  ShmBufferPair buffers;
  Damage unpresented;  // drawn, not yet on the surface
  wl_callback* frame = nullptr;
  std::optional<MonotonicTime> frame_asked;  // while a frame is pending: when it was asked for
  TickStats stats;                           // for --fps
};

// Where the outputs that described themselves lie, in logical pixels.
std::vector<ScreenArea> DescribedAreas(const std::vector<std::unique_ptr<OutputView>>& outputs);

}  // namespace ambervale
