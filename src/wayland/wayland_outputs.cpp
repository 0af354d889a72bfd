#include "wayland/wayland_outputs.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <string>
#include <utility>

#include "linux/callback_edge.h"
#include "fractional-scale-v1-client-protocol.h"
#include "viewporter-client-protocol.h"
#include "wayland/wayland_globals.h"

namespace ambervale {
namespace {

void OutputGeometry(void* data, wl_output*, int32_t x, int32_t y, int32_t, int32_t, int32_t, const char*, const char*,
                    int32_t) {
  static_cast<OutputView*>(data)->description.position = {x, y};
}
void OutputMode(void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t) {
  if (!(flags & WL_OUTPUT_MODE_CURRENT)) return;
  auto* output = static_cast<OutputView*>(data);
  output->description.mode_width = width;
  output->description.mode_height = height;
}
void OutputDone(void* data, wl_output*) {
  auto* output = static_cast<OutputView*>(data);
  output->events.OnOutputDone(*output);
}
void OutputScale(void* data, wl_output*, int32_t factor) {
  static_cast<OutputView*>(data)->description.scale = std::clamp(factor, 1, 8);
}
const wl_output_listener kOutputListener = {OutputGeometry, OutputMode, AtWaylandEdge<OutputDone>, OutputScale};

void FrameDone(void* data, wl_callback*, uint32_t) {
  auto* output = static_cast<OutputView*>(data);
  output->FrameDone();
  output->events.OnFrameDone(*output);
}
const wl_callback_listener kFrameListener = {AtWaylandEdge<FrameDone>};

// A new preferred scale is followed as a new wl_output scale is.
void PreferredScale(void* data, wp_fractional_scale_v1*, uint32_t scale) {
  auto* output = static_cast<OutputView*>(data);
  if (scale == 0 || output->preferred_scale_120 == scale) return;
  output->preferred_scale_120 = scale;
  if (output->description.complete) output->events.OnOutputDone(*output);
}
const wp_fractional_scale_v1_listener kFractionalListener = {AtWaylandEdge<PreferredScale>};

}  // namespace

OutputView::OutputView(OutputEvents& output_events, wl_registry* registry, uint32_t name, uint32_t version)
    : events(output_events) {
  description.global_name = name;
  description.output = BindGlobal<wl_output>(registry, name, &wl_output_interface, version, 3);
  wl_output_add_listener(description.output, &kOutputListener, this);
}

OutputView::~OutputView() {
  if (frame) wl_callback_destroy(frame);
  if (fractional) wp_fractional_scale_v1_destroy(fractional);
  if (viewport) wp_viewport_destroy(viewport);
  shell.reset();
  if (surface) wl_surface_destroy(surface);
  buffers = {};
  if (wl_output* output = description.output) {
    if (wl_output_get_version(output) >= WL_OUTPUT_RELEASE_SINCE_VERSION) {
      wl_output_release(output);
    } else {
      wl_output_destroy(output);
    }
  }
}

void OutputView::MapSurface(const WaylandGlobals& globals) {
  surface = wl_compositor_create_surface(globals.compositor);
  wl_surface_set_user_data(surface, this);
  if (globals.viewporter) viewport = wp_viewporter_get_viewport(globals.viewporter, surface);
  if (globals.viewporter && globals.fractional_scale) {
    fractional = wp_fractional_scale_manager_v1_get_fractional_scale(globals.fractional_scale, surface);
    wp_fractional_scale_v1_add_listener(fractional, &kFractionalListener, this);
  }
  ShellSurface::Events shell_events{[this](int32_t width, int32_t height) { events.OnConfigure(*this, width, height); },
                                    [this] { closed = true; }};
  shell = globals.layer_shell
              ? MakeOverlayLayer(globals.layer_shell, surface, description.output, std::move(shell_events))
              : MakeFullscreenToplevel(globals.wm_base, surface, description.output, std::move(shell_events));
}

std::vector<ScreenArea> DescribedAreas(const std::vector<std::unique_ptr<OutputView>>& outputs) {
  std::vector<ScreenArea> described;
  for (const auto& o : outputs)
    if (o->description.complete) described.push_back(o->description.Area());
  return described;
}

bool OutputView::Configure(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) {
    width = description.Area().width;
    height = description.Area().height;
  }
  const int32_t w = std::clamp(width, 1, 32767), h = std::clamp(height, 1, 32767);
  if (w == logical_width && h == logical_height && pane) return false;
  logical_width = w;
  logical_height = h;
  return true;
}

std::vector<uint32_t> OutputView::ScaledPicture() {
  const DesktopPicture p = std::exchange(picture, {});
  if (p.pixels.empty()) return {};
  return ambervale::ScalePicture(p.pixels, p.width, p.height, BufferWidth(), BufferHeight());
}

BufferedRun::PaneSpec OutputView::NewPane(const WaylandGlobals& globals, std::vector<uint32_t> background) {
  const BufferPlan plan = Plan();
  if (!CreateBuffers(buffers, globals.shm, plan.width, plan.height))
    std::fprintf(stderr, "ambervale-wayland: no shared memory for a %dx%d buffer\n", plan.width, plan.height);
  unpresented.Clear();
  wl_surface_set_buffer_scale(surface, plan.buffer_scale);
  if (viewport) wp_viewport_set_destination(viewport, logical_width, logical_height);
  return {plan.width, plan.height, std::move(background)};
}

void OutputView::Drew(const Damage& changed, const BackBuffer& pane, MonotonicTime now, int32_t ticks) {
  unpresented.Add(changed);
  buffers.Changed(changed, pane.Pixels());
  stats.Count(now, ticks);
}

void OutputView::DrawOnInAFreeBuffer(BackBuffer& pane) {
  if (uint32_t* free = buffers.MoveToFreeBuffer(pane.Pixels())) pane.MoveTo(free);
}

void OutputView::PrintStats(const BackBuffer& buffer, uint32_t nominal_ms) const {
  stats.PrintSummary("ambervale-wayland",
                     "output " + std::to_string(description.global_name) + ", " + std::to_string(buffer.Width()) + "x" +
                         std::to_string(buffer.Height()),
                     nominal_ms);
}

bool OutputView::Present(const uint32_t* pixels, const WaylandGlobals& globals, MonotonicTime now) {
  if (frame || unpresented.Empty()) return false;
  ShmBuffer* free = buffers.ToPresent(pixels);
  if (!free) return false;
  wl_surface_attach(surface, free->Handle(), 0, 0);
  if (globals.compositor_version >= WL_SURFACE_DAMAGE_BUFFER_SINCE_VERSION) {
    for (const Rect& part : unpresented.Parts())
      wl_surface_damage_buffer(surface, part.left, part.top, part.Width(), part.Height());
  } else {
    wl_surface_damage(surface, 0, 0, INT32_MAX, INT32_MAX);
  }
  frame = wl_surface_frame(surface);
  frame_asked = now;
  wl_callback_add_listener(frame, &kFrameListener, this);
  wl_surface_commit(surface);
  free->MarkAttached();
  unpresented.Clear();
  stats.CountPresent();
  return true;
}

void OutputView::FrameDone() {
  wl_callback_destroy(frame);
  frame = nullptr;
  frame_asked.reset();
}

}  // namespace ambervale
