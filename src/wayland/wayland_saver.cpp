#include "wayland/wayland_saver.h"

#include <linux/input-event-codes.h>
#include <poll.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/saver_startup.h"
#include "linux/callback_edge.h"
#include "linux/desktop_sources/desktop_sources.h"
#include "linux/scale_picture.h"
#include "linux/stop_signals.h"
#include "linux/tick_stats.h"
#include "linux/wake_clock.h"
#include "wayland/desktop_capture.h"
#include "wayland/output_saver.h"
#include "wayland/shell_surface.h"
#include "wayland/shm_buffer.h"
#include "wayland/wayland_wait.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace ambervale {
namespace {

// How long after the first frame (or the keyboard's arrival) the compositor may take to give the
// saver the keyboard.
constexpr MonotonicTime kKeyboardFocusWait = std::chrono::seconds(3);

class WaylandSaver;

// What the compositor says of one wl_output.
struct OutputDescription {
  uint32_t global_name = 0;
  wl_output* output = nullptr;
  int32_t scale = 1;
  Point position;                           // top-left in the compositor's space
  int32_t mode_width = 0, mode_height = 0;  // the current mode, in real pixels
  bool complete = false;                    // the first `done` arrived

  // Where the output lies in the compositor's space, in logical pixels.
  ScreenArea Area() const { return {position.x, position.y, mode_width / scale, mode_height / scale}; }
};

// One wl_output and what the saver shows on it: the desktop's picture until the run starts,
// the surface and its buffers, the run, and what waits for the next frame.
struct OutputView {
  WaylandSaver* client = nullptr;
  OutputDescription description;

  std::unique_ptr<DesktopCapture> capture;
  DesktopPicture picture;  // until the run starts over it

  wl_surface* surface = nullptr;
  std::unique_ptr<ShellSurface> shell;
  bool closed = false;  // the compositor closed our surface
  int32_t logical_width = 0, logical_height = 0;
  wl_callback* frame = nullptr;
  ShmBufferPair buffers;

  std::unique_ptr<OutputSaver> saver;
  Damage unpresented;  // drawn, not yet on the surface
  std::optional<MonotonicTime> next_tick;
  MonotonicTime last_advance{};
  TickStats stats;  // for --fps

  ~OutputView();
};

struct Seat {
  WaylandSaver* client = nullptr;
  uint32_t global_name = 0;
  wl_seat* seat = nullptr;
  wl_keyboard* keyboard = nullptr;
  wl_pointer* pointer = nullptr;
  wl_touch* touch = nullptr;
  OutputView* pointer_output = nullptr;  // the output whose surface the pointer is over
  ~Seat();
};

template <typename T>
T* Bind(wl_registry* registry, uint32_t name, const wl_interface* interface, uint32_t offered, uint32_t wanted) {
  return static_cast<T*>(wl_registry_bind(registry, name, interface, std::min(offered, wanted)));
}

class WaylandSaver {
 public:
  WaylandSaver(wl_display* display, const LinuxOptions& options) : display_(display), options_(options) {}
  ~WaylandSaver();
  int Run(const sigset_t& wait_mask);

  // Called from the listeners.
  void OnGlobal(wl_registry* registry, uint32_t name, std::string_view interface, uint32_t version);
  void OnGlobalRemove(uint32_t name);
  void OnOutputDone(OutputView& output);
  void OnConfigure(OutputView& output, int32_t width, int32_t height);
  void OnFrameDone(OutputView& output);
  void OnPointerAt(Seat& seat, wl_fixed_t x, wl_fixed_t y);
  void OnPointerMotion(Seat& seat, wl_fixed_t x, wl_fixed_t y);
  void OnKeyPressed();
  void OnButtonPressed();  // a mouse button or a touch
  void OnKeyboardFocus(wl_surface* surface);
  void OnSeatCapabilities(Seat& seat, uint32_t capabilities);

 private:
  void MapSurface(OutputView& output);
  void StartSaver(OutputView& output);
  void Advance(OutputView& output, MonotonicTime now);
  void AdvanceDue(MonotonicTime now);
  void Present(OutputView& output);
  bool WaitForEvents(const sigset_t& wait_mask);
  void EndClosedSurfaces();
  void ArmKeyboardCheck();
  void CheckKeyboardFocus(MonotonicTime now);
  // Input goes to every output's run, each of which keeps its mouse rule on the same readings;
  // the first that asks ends the program.
  template <typename Report>
  void ReportInput(const Report& report);
  void TakeCloseRequest(OutputView& output);
  void MapOverDesktop(OutputView& output, DesktopPicture picture);

  wl_display* display_;
  LinuxOptions options_;
  wl_registry* registry_ = nullptr;
  wl_compositor* compositor_ = nullptr;
  uint32_t compositor_version_ = 0;
  wl_shm* shm_ = nullptr;
  zwlr_layer_shell_v1* layer_shell_ = nullptr;
  xdg_wm_base* wm_base_ = nullptr;
  zwlr_screencopy_manager_v1* screencopy_ = nullptr;
  std::unique_ptr<DesktopSources> desktop_sources_;  // where there is no screencopy, or it failed
  MonotonicTime started_ = MonotonicNow();
  std::vector<std::unique_ptr<OutputView>> outputs_;
  std::vector<std::unique_ptr<Seat>> seats_;
  int32_t outputs_started_ = 0;
  bool ending_ = false;
  // Whether the compositor gave the saver the keyboard by kKeyboardFocusWait after the first
  // frame. Without it keys reach other windows, so any pointer movement ends the run. A seat
  // without a keyboard has no keys to lose: the wait starts when one arrives.
  enum class Keys { kUnknown, kOurs, kElsewhere } keys_ = Keys::kUnknown;
  bool presented_ = false;
  bool said_plain_ = false;  // the plain background's reason is said once a run
  std::optional<MonotonicTime> keyboard_deadline_;
};

// ---- listeners ---------------------------------------------------------------

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
  output->client->OnOutputDone(*output);
}
void OutputScale(void* data, wl_output*, int32_t factor) {
  static_cast<OutputView*>(data)->description.scale = std::clamp(factor, 1, 8);
}
const wl_output_listener kOutputListener = {OutputGeometry, OutputMode, AtWaylandEdge<OutputDone>, OutputScale};

void FrameDone(void* data, wl_callback*, uint32_t) {
  auto* output = static_cast<OutputView*>(data);
  output->client->OnFrameDone(*output);
}
const wl_callback_listener kFrameListener = {AtWaylandEdge<FrameDone>};

void KeyboardKeymap(void*, wl_keyboard*, uint32_t, int32_t fd, uint32_t) { close(fd); }
void KeyboardEnter(void* data, wl_keyboard*, uint32_t, wl_surface* surface, wl_array*) {
  static_cast<Seat*>(data)->client->OnKeyboardFocus(surface);
}
void KeyboardLeave(void*, wl_keyboard*, uint32_t, wl_surface*) {}
void KeyboardKey(void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t state) {
  if (state == WL_KEYBOARD_KEY_STATE_PRESSED) static_cast<Seat*>(data)->client->OnKeyPressed();
}
void KeyboardModifiers(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}
void KeyboardRepeat(void*, wl_keyboard*, int32_t, int32_t) {}
const wl_keyboard_listener kKeyboardListener = {KeyboardKeymap,    AtWaylandEdge<KeyboardEnter>,
                                                KeyboardLeave,     AtWaylandEdge<KeyboardKey>,
                                                KeyboardModifiers, KeyboardRepeat};

void PointerEnter(void* data, wl_pointer* pointer, uint32_t serial, wl_surface* surface, wl_fixed_t x, wl_fixed_t y) {
  auto* seat = static_cast<Seat*>(data);
  wl_pointer_set_cursor(pointer, serial, nullptr, 0, 0);  // no cursor over the leaves
  seat->pointer_output = surface ? static_cast<OutputView*>(wl_surface_get_user_data(surface)) : nullptr;
  seat->client->OnPointerAt(*seat, x, y);
}
void PointerLeave(void* data, wl_pointer*, uint32_t, wl_surface*) {
  static_cast<Seat*>(data)->pointer_output = nullptr;
}
void PointerMotion(void* data, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y) {
  auto* seat = static_cast<Seat*>(data);
  seat->client->OnPointerMotion(*seat, x, y);
}
void PointerButton(void* data, wl_pointer*, uint32_t, uint32_t, uint32_t, uint32_t state) {
  if (state == WL_POINTER_BUTTON_STATE_PRESSED) static_cast<Seat*>(data)->client->OnButtonPressed();
}
void PointerAxis(void*, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) {}
void PointerFrame(void*, wl_pointer*) {}
void PointerAxisSource(void*, wl_pointer*, uint32_t) {}
void PointerAxisStop(void*, wl_pointer*, uint32_t, uint32_t) {}
void PointerAxisDiscrete(void*, wl_pointer*, uint32_t, int32_t) {}
const wl_pointer_listener kPointerListener = {AtWaylandEdge<PointerEnter>,
                                              PointerLeave,
                                              AtWaylandEdge<PointerMotion>,
                                              AtWaylandEdge<PointerButton>,
                                              PointerAxis,
                                              PointerFrame,
                                              PointerAxisSource,
                                              PointerAxisStop,
                                              PointerAxisDiscrete};

void TouchDown(void* data, wl_touch*, uint32_t, uint32_t, wl_surface*, int32_t, wl_fixed_t, wl_fixed_t) {
  static_cast<Seat*>(data)->client->OnButtonPressed();
}
void TouchUp(void*, wl_touch*, uint32_t, uint32_t, int32_t) {}
void TouchMotion(void*, wl_touch*, uint32_t, int32_t, wl_fixed_t, wl_fixed_t) {}
void TouchFrame(void*, wl_touch*) {}
void TouchCancel(void*, wl_touch*) {}
void TouchShape(void*, wl_touch*, int32_t, wl_fixed_t, wl_fixed_t) {}
void TouchOrientation(void*, wl_touch*, int32_t, wl_fixed_t) {}
const wl_touch_listener kTouchListener = {
    AtWaylandEdge<TouchDown>, TouchUp, TouchMotion, TouchFrame, TouchCancel, TouchShape, TouchOrientation};

void SeatCapabilities(void* data, wl_seat*, uint32_t capabilities) {
  auto* seat = static_cast<Seat*>(data);
  seat->client->OnSeatCapabilities(*seat, capabilities);
}
void SeatName(void*, wl_seat*, const char*) {}
const wl_seat_listener kSeatListener = {AtWaylandEdge<SeatCapabilities>, SeatName};

void RegistryGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface, uint32_t version) {
  static_cast<WaylandSaver*>(data)->OnGlobal(registry, name, interface, version);
}
void RegistryGlobalRemove(void* data, wl_registry*, uint32_t name) {
  static_cast<WaylandSaver*>(data)->OnGlobalRemove(name);
}
const wl_registry_listener kRegistryListener = {AtWaylandEdge<RegistryGlobal>, AtWaylandEdge<RegistryGlobalRemove>};

// ---- the client ----------------------------------------------------------------

OutputView::~OutputView() {
  capture.reset();
  if (frame) wl_callback_destroy(frame);
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

Seat::~Seat() {
  if (keyboard) wl_keyboard_destroy(keyboard);
  if (pointer) wl_pointer_destroy(pointer);
  if (touch) wl_touch_destroy(touch);
  if (seat) wl_seat_destroy(seat);
}

WaylandSaver::~WaylandSaver() {
  if (options_.settings.show_fps) {
    for (const auto& o : outputs_) {
      const BackBuffer* buffer = o->saver ? &o->saver->Buffer() : nullptr;
      o->stats.PrintSummary("ambervale-wayland",
                            "output " + std::to_string(o->description.global_name) + ", " +
                                std::to_string(buffer ? buffer->Width() : 0) + "x" +
                                std::to_string(buffer ? buffer->Height() : 0),
                            TickInterval(options_.settings.fast));
    }
  }
  // Surfaces first, then the globals they were made from.
  outputs_.clear();
  seats_.clear();
  if (screencopy_) zwlr_screencopy_manager_v1_destroy(screencopy_);
  if (layer_shell_) zwlr_layer_shell_v1_destroy(layer_shell_);
  if (wm_base_) xdg_wm_base_destroy(wm_base_);
  if (shm_) wl_shm_destroy(shm_);
  if (compositor_) wl_compositor_destroy(compositor_);
  if (registry_) wl_registry_destroy(registry_);
  // The compositor has taken the surfaces down before the program ends.
  wl_display_roundtrip(display_);
}

void WaylandSaver::OnGlobal(wl_registry* registry, uint32_t name, std::string_view interface, uint32_t version) {
  if (interface == wl_compositor_interface.name) {
    compositor_ = Bind<wl_compositor>(registry, name, &wl_compositor_interface, version, 4);
    compositor_version_ = std::min(version, 4u);
  } else if (interface == wl_shm_interface.name) {
    shm_ = Bind<wl_shm>(registry, name, &wl_shm_interface, version, 1);
  } else if (interface == zwlr_layer_shell_v1_interface.name) {
    layer_shell_ = Bind<zwlr_layer_shell_v1>(registry, name, &zwlr_layer_shell_v1_interface, version, 4);
  } else if (interface == xdg_wm_base_interface.name) {
    wm_base_ = Bind<xdg_wm_base>(registry, name, &xdg_wm_base_interface, version, 1);
    AnswerPings(wm_base_);
  } else if (interface == zwlr_screencopy_manager_v1_interface.name) {
    screencopy_ = Bind<zwlr_screencopy_manager_v1>(registry, name, &zwlr_screencopy_manager_v1_interface, version, 3);
  } else if (interface == wl_output_interface.name) {
    auto output = std::make_unique<OutputView>();
    output->client = this;
    output->description.global_name = name;
    output->description.output = Bind<wl_output>(registry, name, &wl_output_interface, version, 3);
    wl_output_add_listener(output->description.output, &kOutputListener, output.get());
    outputs_.push_back(std::move(output));
  } else if (interface == wl_seat_interface.name) {
    auto seat = std::make_unique<Seat>();
    seat->client = this;
    seat->global_name = name;
    seat->seat = Bind<wl_seat>(registry, name, &wl_seat_interface, version, 5);
    wl_seat_add_listener(seat->seat, &kSeatListener, seat.get());
    seats_.push_back(std::move(seat));
  }
}

void WaylandSaver::OnGlobalRemove(uint32_t name) {
  for (auto& seat : seats_) {
    for (auto& output : outputs_)
      if (output->description.global_name == name && seat->pointer_output == output.get())
        seat->pointer_output = nullptr;
  }
  std::erase_if(outputs_, [name](const std::unique_ptr<OutputView>& o) { return o->description.global_name == name; });
  std::erase_if(seats_, [name](const std::unique_ptr<Seat>& s) { return s->global_name == name; });
}

void WaylandSaver::OnSeatCapabilities(Seat& seat, uint32_t capabilities) {
  const bool keyboard = capabilities & WL_SEAT_CAPABILITY_KEYBOARD;
  const bool pointer = capabilities & WL_SEAT_CAPABILITY_POINTER;
  const bool touch = capabilities & WL_SEAT_CAPABILITY_TOUCH;
  if (keyboard && !seat.keyboard) {
    seat.keyboard = wl_seat_get_keyboard(seat.seat);
    wl_keyboard_add_listener(seat.keyboard, &kKeyboardListener, &seat);
    ArmKeyboardCheck();
  } else if (!keyboard && seat.keyboard) {
    wl_keyboard_destroy(seat.keyboard);
    seat.keyboard = nullptr;
  }
  if (pointer && !seat.pointer) {
    seat.pointer = wl_seat_get_pointer(seat.seat);
    wl_pointer_add_listener(seat.pointer, &kPointerListener, &seat);
  } else if (!pointer && seat.pointer) {
    wl_pointer_destroy(seat.pointer);
    seat.pointer = nullptr;
    seat.pointer_output = nullptr;
  }
  if (touch && !seat.touch) {
    seat.touch = wl_seat_get_touch(seat.seat);
    wl_touch_add_listener(seat.touch, &kTouchListener, &seat);
  } else if (!touch && seat.touch) {
    wl_touch_destroy(seat.touch);
    seat.touch = nullptr;
  }
}

void WaylandSaver::OnPointerAt(Seat& seat, wl_fixed_t x, wl_fixed_t y) {
  if (!seat.pointer_output) return;
  const Point origin = seat.pointer_output->description.position;
  const Point at{origin.x + wl_fixed_to_int(x), origin.y + wl_fixed_to_int(y)};
  ReportInput([at](SaverRun& run) { run.PointerAt(at); });
}

void WaylandSaver::OnPointerMotion(Seat& seat, wl_fixed_t x, wl_fixed_t y) {
  // Keys go to other windows: a movement stands for the key press the saver cannot hear.
  if (keys_ == Keys::kElsewhere && seat.pointer_output) return OnKeyPressed();
  OnPointerAt(seat, x, y);
}

void WaylandSaver::OnKeyPressed() {
  ReportInput([](SaverRun& run) { run.KeyPressed(Key::kOther); });
}

void WaylandSaver::OnButtonPressed() {
  ReportInput([](SaverRun& run) { run.ButtonPressed(); });
}

template <typename Report>
void WaylandSaver::ReportInput(const Report& report) {
  for (auto& output : outputs_) {
    if (!output->saver) continue;
    report(output->saver->Run());
    TakeCloseRequest(*output);
  }
}

void WaylandSaver::TakeCloseRequest(OutputView& output) {
  if (output.saver && output.saver->Run().TakeCloseRequest()) ending_ = true;
}

void WaylandSaver::OnKeyboardFocus(wl_surface* surface) {
  for (const auto& output : outputs_)
    if (surface && surface == output->surface) keys_ = Keys::kOurs;
}

void WaylandSaver::ArmKeyboardCheck() {
  if (keys_ != Keys::kUnknown || keyboard_deadline_ || !presented_) return;
  if (std::none_of(seats_.begin(), seats_.end(), [](const auto& s) { return s->keyboard != nullptr; })) return;
  keyboard_deadline_ = MonotonicNow() + kKeyboardFocusWait;
}

// Said once, a while after the first frame: the compositor has not given us the keyboard.
void WaylandSaver::CheckKeyboardFocus(MonotonicTime now) {
  if (keys_ != Keys::kUnknown || !keyboard_deadline_ || now < *keyboard_deadline_) return;
  keys_ = Keys::kElsewhere;
  std::fprintf(stderr,
               "ambervale-wayland: the compositor gives the saver no keyboard: keys go to other windows; "
               "any pointer movement, click or touch ends it\n");
}

void WaylandSaver::OnOutputDone(OutputView& output) {
  const bool first = !output.description.complete;
  output.description.complete = true;
  if (first) {
    if (!options_.settings.desktop_picture.value_or(kWaylandDesktopPictureByDefault)) return MapSurface(output);
    // The picture comes before the surface maps, or it would show our own surface.
    if (!screencopy_) return MapOverDesktop(output, {});
    output.capture =
        std::make_unique<DesktopCapture>(shm_, screencopy_, output.description.output, [&output](DesktopPicture p) {
          output.capture.reset();
          output.client->MapOverDesktop(output, std::move(p));
        });
    return;
  }
  // A new scale on a mapped surface: a buffer at the new real pixels.
  if (output.saver && output.logical_width > 0) {
    const int32_t scale = output.description.scale;
    const int32_t width = output.logical_width * scale, height = output.logical_height * scale;
    if (width != output.saver->Buffer().Width() || height != output.saver->Buffer().Height()) StartSaver(output);
  }
}

// The output's picture from screencopy, else from the next source that gives one.
void WaylandSaver::MapOverDesktop(OutputView& output, DesktopPicture picture) {
  if (!desktop_sources_) desktop_sources_ = std::make_unique<DesktopSources>();
  std::string source = "wlr-screencopy";
  if (picture.pixels.empty()) {
    if (screencopy_) desktop_sources_->Failed(source, "the copy failed");
    const ScreenArea screen = output.description.Area();
    ScreenArea desktop = screen;
    for (const auto& o : outputs_) {
      if (!o->description.complete) continue;
      const ScreenArea area = o->description.Area();
      const int32_t right = std::max(desktop.x + desktop.width, area.x + area.width);
      const int32_t bottom = std::max(desktop.y + desktop.height, area.y + area.height);
      desktop.x = std::min(desktop.x, area.x), desktop.y = std::min(desktop.y, area.y);
      desktop.width = right - desktop.x, desktop.height = bottom - desktop.y;
    }
    picture = desktop_sources_->PictureOf(screen, desktop);
    source = desktop_sources_->LastSource();
  }
  if (picture.pixels.empty() && !std::exchange(said_plain_, true))
    std::fprintf(stderr, "ambervale-wayland: no picture of the desktop (%s): the leaves fall on a plain background\n",
                 desktop_sources_->Failures().c_str());
  if (options_.settings.show_fps && !picture.pixels.empty())
    std::fprintf(stderr, "ambervale-wayland: output %u: the desktop from %s after %lld ms\n",
                 output.description.global_name, source.c_str(),
                 static_cast<long long>((MonotonicNow() - started_).count() / 1000));
  output.picture = std::move(picture);
  MapSurface(output);
}

void WaylandSaver::MapSurface(OutputView& output) {
  output.surface = wl_compositor_create_surface(compositor_);
  wl_surface_set_user_data(output.surface, &output);
  ShellSurface::Events events{
      [&output](int32_t width, int32_t height) { output.client->OnConfigure(output, width, height); },
      [&output] { output.closed = true; }};
  wl_output* on = output.description.output;
  output.shell = layer_shell_ ? MakeOverlayLayer(layer_shell_, output.surface, on, std::move(events))
                              : MakeFullscreenToplevel(wm_base_, output.surface, on, std::move(events));
}

void WaylandSaver::OnConfigure(OutputView& output, int32_t width, int32_t height) {
  // No size asked for: the output's own, in logical pixels.
  if (width <= 0 || height <= 0) {
    width = output.description.Area().width;
    height = output.description.Area().height;
  }
  const int32_t w = std::clamp(width, 1, 32767), h = std::clamp(height, 1, 32767);
  if (w == output.logical_width && h == output.logical_height && output.saver) return;
  output.logical_width = w;
  output.logical_height = h;
  StartSaver(output);
}

void WaylandSaver::StartSaver(OutputView& output) {
  const int32_t scale = output.description.scale;
  const int32_t width = output.logical_width * scale, height = output.logical_height * scale;
  if (!output.buffers.Create(shm_, width, height)) {
    std::fprintf(stderr, "ambervale-wayland: no shared memory for a %dx%d buffer\n", width, height);
    output.saver.reset();
    return;
  }
  if (output.saver) {
    output.saver->Resize(width, height);
  } else {
    output.saver = std::make_unique<OutputSaver>(options_.settings, outputs_started_++);
    // The saver draws straight into the shm buffers: no back buffer of its own to copy from.
    output.saver->DrawInto([&output](int32_t buffer_width, int32_t buffer_height) {
      return output.buffers.StartDrawing(buffer_width, buffer_height);
    });
    const DesktopPicture& p = output.picture;
    std::vector<uint32_t> background =
        p.pixels.empty() ? std::vector<uint32_t>() : ScalePicture(p.pixels, p.width, p.height, width, height);
    output.picture = {};
    output.saver->Start(width, height, std::move(background));
  }
  wl_surface_set_buffer_scale(output.surface, scale);
  Advance(output, MonotonicNow());
}

void DrawIntoAFreeBuffer(OutputView& output) {
  if (!output.saver) return;
  if (uint32_t* free = output.buffers.MoveToFreeBuffer(output.saver->Buffer().Pixels())) output.saver->MoveTo(free);
}

void WaylandSaver::Present(OutputView& output) {
  if (output.frame || !output.saver) return;
  if (output.unpresented.Empty()) return;
  ShmBuffer* free = output.buffers.ToPresent(output.saver->Buffer().Pixels());
  if (!free) return;
  wl_surface_attach(output.surface, free->Handle(), 0, 0);
  if (compositor_version_ >= WL_SURFACE_DAMAGE_BUFFER_SINCE_VERSION) {
    for (const Rect& part : output.unpresented.Parts())
      wl_surface_damage_buffer(output.surface, part.left, part.top, part.Width(), part.Height());
  } else {
    wl_surface_damage(output.surface, 0, 0, INT32_MAX, INT32_MAX);
  }
  if (options_.settings.show_fps && !std::exchange(presented_, true))
    std::fprintf(stderr, "ambervale-wayland: first frame after %lld ms\n",
                 static_cast<long long>((MonotonicNow() - started_).count() / 1000));
  presented_ = true;
  ArmKeyboardCheck();
  output.frame = wl_surface_frame(output.surface);
  wl_callback_add_listener(output.frame, &kFrameListener, &output);
  wl_surface_commit(output.surface);
  free->MarkAttached();
  output.unpresented.Clear();
  output.stats.CountPresent();
  DrawIntoAFreeBuffer(output);
}

// The compositor is ready for the output's next frame: the ticks due by now, then the frame.
void WaylandSaver::OnFrameDone(OutputView& output) {
  wl_callback_destroy(output.frame);
  output.frame = nullptr;
  Advance(output, MonotonicNow());
}

// Every tick of the output due at `now`, and their union presented unless a frame is pending.
void WaylandSaver::Advance(OutputView& output, MonotonicTime now) {
  if (!output.saver) return;
  DrawIntoAFreeBuffer(output);
  const SaverRun::Wake wake = output.saver->Advance(now);
  output.unpresented.Add(wake.changed);
  output.buffers.Changed(wake.changed, output.saver->Buffer().Pixels());
  output.next_tick = wake.next_wake;
  output.last_advance = now;
  output.stats.Count(now, wake.ticks);
  TakeCloseRequest(output);  // the mouse rule, read at the wake's first tick
  Present(output);
}

// When an output's ticks are due. While its frame is pending nothing it draws could show, so
// it ticks when the frame is done; but a compositor slow to answer must not make the run miss
// ticks (made up for 250 ms only): then it ticks every 100 ms meanwhile.
std::optional<MonotonicTime> NextAdvance(const OutputView& output) {
  if (!output.saver || !output.next_tick) return std::nullopt;
  if (!output.frame) return output.next_tick;
  return std::max(*output.next_tick, output.last_advance + std::chrono::milliseconds(100));
}

void WaylandSaver::AdvanceDue(MonotonicTime now) {
  for (auto& output : outputs_) {
    const std::optional<MonotonicTime> due = NextAdvance(*output);
    if (due && *due <= now) Advance(*output, now);
  }
}

// The compositor closing a surface ends the run, unless its output is going away, which the
// next round trip tells.
void WaylandSaver::EndClosedSurfaces() {
  if (std::none_of(outputs_.begin(), outputs_.end(), [](const auto& o) { return o->closed; })) return;
  wl_display_roundtrip(display_);
  for (auto& output : outputs_)
    if (output->closed) ending_ = true;
}

// Sleeps until a Wayland event, a signal or an output's next ticks. False when the connection
// broke.
bool WaylandSaver::WaitForEvents(const sigset_t& wait_mask) {
  const auto next_wake = [this] {
    std::optional<MonotonicTime> wake;
    if (keys_ == Keys::kUnknown) wake = keyboard_deadline_;
    for (auto& output : outputs_) {
      const std::optional<MonotonicTime> due = NextAdvance(*output);
      if (due && (!wake || *due < *wake)) wake = due;
    }
    return wake;
  };
  return WaitForWayland(display_, {}, next_wake, wait_mask);
}

int WaylandSaver::Run(const sigset_t& wait_mask) {
  registry_ = wl_display_get_registry(display_);
  wl_registry_add_listener(registry_, &kRegistryListener, this);
  if (wl_display_roundtrip(display_) < 0) return 1;
  RethrowCaughtFailure();
  // Layer shell first; a full-screen toplevel where there is none, or where asked for.
  const char* shell = std::getenv("AMBERVALE_WAYLAND_SHELL");
  if (shell && std::string_view(shell) == "xdg" && wm_base_ && layer_shell_) {
    zwlr_layer_shell_v1_destroy(layer_shell_);
    layer_shell_ = nullptr;
  }
  if (!compositor_ || !shm_ || (!layer_shell_ && !wm_base_)) {
    std::fprintf(stderr, "ambervale-wayland: the compositor offers no %s\n",
                 !compositor_ || !shm_ ? "wl_compositor or wl_shm" : "wlr-layer-shell or xdg-shell");
    return 1;
  }
  if (options_.settings.desktop_picture.value_or(kWaylandDesktopPictureByDefault) && !screencopy_) {
    desktop_sources_ = std::make_unique<DesktopSources>();
    desktop_sources_->Failed("wlr-screencopy", "not offered");
  }
  CloseGnomeOverview();
  while (!ending_ && !StopRequested()) {
    RethrowCaughtFailure();  // from a listener of the last dispatch
    AdvanceDue(MonotonicNow());
    CheckKeyboardFocus(MonotonicNow());
    if (!WaitForEvents(wait_mask)) {
      // The compositor went away: nothing is left to draw on.
      std::fprintf(stderr, "ambervale-wayland: the connection to the compositor broke\n");
      return 0;
    }
    EndClosedSurfaces();
  }
  return 0;
}

}  // namespace

int RunWaylandSaver(wl_display* display, const LinuxOptions& options, const sigset_t& wait_mask) {
  int status = 0;
  {
    WaylandSaver client(display, options);
    status = client.Run(wait_mask);
  }
  RethrowCaughtFailure();  // from a listener of the last dispatch or of the farewell round trip
  return status;
}

}  // namespace ambervale
