#include "wayland/wayland_saver.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "linux/buffered_run.h"
#include "linux/callback_edge.h"
#include "linux/desktop_sources/desktop_sources.h"
#include "linux/stop_signals.h"
#include "linux/wake_clock.h"
#include "wayland/desktop_pictures.h"
#include "wayland/frame_wait.h"
#include "wayland/seat_input.h"
#include "wayland/session_lock_watch.h"
#include "wayland/wayland_globals.h"
#include "wayland/wayland_outputs.h"
#include "wayland/wayland_wait.h"

namespace ambervale {
namespace {

// The program: one run over every output (each output a screen with its own buffers), woken by
// its pace and the outputs' frames, ended by input, a signal or the compositor.
class WaylandSaver final : private OutputEvents, private SeatReports {
 public:
  WaylandSaver(wl_display* display, const LinuxOptions& options)
      : display_(display),
        options_(options),
        globals_({[this](wl_registry* r, uint32_t name, uint32_t version) {
                    outputs_.push_back(
                        std::make_unique<OutputView>(static_cast<OutputEvents&>(*this), r, name, version));
                  },
                  [this](wl_registry* r, uint32_t name, uint32_t version) { seats_.Add(r, name, version); },
                  [this](uint32_t name) { RemoveGlobal(name); }}),
        seats_(*this) {}
  ~WaylandSaver() override;
  int Run(const sigset_t& wait_mask);

 private:
  void OnOutputDone(OutputView& output) override;
  void OnConfigure(OutputView& output, int32_t width, int32_t height) override {
    if (output.Configure(width, height)) FollowOutputs();
  }
  void OnFrameDone(OutputView&) override {
    SayPaused(false);
    Advance(MonotonicNow());
  }

  void KeyboardArrived() override;
  void KeyboardEntered(wl_surface* surface) override;
  void KeyPressed() override {
    Report([](SaverRun& run) { run.KeyPressed(Key::kOther); });
  }
  void ButtonPressed() override {
    Report([](SaverRun& run) { run.ButtonPressed(); });
  }
  void PointerAt(wl_surface* surface, wl_fixed_t x, wl_fixed_t y, bool moved) override;

  void RemoveGlobal(uint32_t name);
  OutputView* OutputOf(const wl_surface* surface) const;
  // The run over the outputs whose surfaces have a size: started once every output that
  // described itself has one, resized when they change.
  void FollowOutputs();
  void StartRun(std::vector<BufferedRun::PaneSpec> panes);
  void Advance(MonotonicTime now);
  void PresentAll(MonotonicTime now);
  std::optional<MonotonicTime> NextAdvance() const;
  // Under --fps: the run paused with nothing of it shown, or going on, with its ticks so far.
  void SayPaused(bool paused);
  template <typename Input>
  void Report(const Input& input);
  // With "lock when it ends", the close waits for the session's lock.
  void TakeCloseRequest() {
    if (run_->Run().TakeCloseRequest() && lock_watch_->CloseRequested(MonotonicNow())) ending_ = true;
  }
  std::optional<MonotonicTime> NextWake() const;
  void EndClosedSurfaces();

  wl_display* display_;
  LinuxOptions options_;
  MonotonicTime started_ = MonotonicNow();
  WaylandGlobals globals_;
  Seats seats_;
  std::vector<std::unique_ptr<OutputView>> outputs_;
  std::unique_ptr<DesktopPictures> pictures_;
  std::unique_ptr<BufferedRun> run_;
  std::unique_ptr<SessionLockWatch> lock_watch_;  // the session locked: the saver ends
  std::optional<MonotonicTime> next_wake_;        // the run's
  MonotonicTime last_advance_{};
  bool keyboard_ = false, focused_ = false;  // reported to each new run
  bool presented_ = false;
  bool paused_ = false;
  bool ending_ = false;
};

WaylandSaver::~WaylandSaver() {
  if (!options_.settings.show_fps || !run_) return;
  for (const auto& o : outputs_)
    if (o->pane) o->PrintStats(run_->Buffer(*o->pane), TickInterval(options_.settings.fast));
}

void WaylandSaver::RemoveGlobal(uint32_t name) {
  seats_.Remove(name);
  const auto gone = std::find_if(outputs_.begin(), outputs_.end(),
                                 [name](const auto& o) { return o->description.global_name == name; });
  if (gone == outputs_.end()) return;
  if (pictures_) pictures_->Cancel(name);
  seats_.Forget((*gone)->surface);
  // The run lets go of the output's buffers before they go; a run still to start waits no more.
  (*gone)->logical_width = 0;
  (*gone)->description.complete = false;
  if ((*gone)->pane || !run_) FollowOutputs();
  outputs_.erase(gone);
}

OutputView* WaylandSaver::OutputOf(const wl_surface* surface) const {
  for (const auto& o : outputs_)
    if (surface && o->surface == surface) return o.get();
  return nullptr;
}

void WaylandSaver::OnOutputDone(OutputView& output) {
  if (!std::exchange(output.description.complete, true)) {
    if (!pictures_) return output.MapSurface(globals_);
    const auto areas = [this] { return DescribedAreas(outputs_); };
    return pictures_->Take(output.description.output, output.description.global_name, output.description.Area(), areas,
                           [this, &output](DesktopPicture picture) {
                             output.picture = std::move(picture);
                             output.MapSurface(globals_);
                           });
  }
  // A new scale on a mapped surface: buffers at the new real pixels.
  const BackBuffer* pane = run_ && output.pane ? &run_->Buffer(*output.pane) : nullptr;
  if (pane && (output.BufferWidth() != pane->Width() || output.BufferHeight() != pane->Height())) FollowOutputs();
}

void WaylandSaver::FollowOutputs() {
  const auto sized = [](const auto& o) { return o->logical_width > 0; };
  if (!run_ && !std::all_of(outputs_.begin(), outputs_.end(),
                            [&](const auto& o) { return sized(o) || !o->description.complete; }))
    return;
  std::vector<BufferedRun::PaneSpec> panes;
  for (auto& o : outputs_) {
    if (!sized(o)) {
      o->pane.reset();
      continue;
    }
    // A pane of the run keeps its picture; a new one shows the output's own.
    const int32_t width = o->BufferWidth(), height = o->BufferHeight();
    panes.push_back(
        o->NewPane(globals_, o->pane ? run_->FittedBackground(width, height, *o->pane) : o->ScaledPicture()));
  }
  for (size_t i = 0, pane = 0; i < outputs_.size(); ++i)
    if (sized(outputs_[i])) outputs_[i]->pane = pane++;
  if (panes.empty()) {
    run_.reset();  // nothing to show on until an output comes
  } else if (run_) {
    run_->Resize(std::move(panes));
  } else {
    StartRun(std::move(panes));
  }
  Advance(MonotonicNow());
}

void WaylandSaver::StartRun(std::vector<BufferedRun::PaneSpec> panes) {
  run_ = std::make_unique<BufferedRun>(options_.settings, UtcTimeOfDay(), RunRules{InputRule::kAnyInput});
  // The run draws straight into the outputs' shm buffers: no back buffer of its own to copy from.
  run_->DrawInto([this](size_t pane, int32_t width, int32_t height) -> uint32_t* {
    for (auto& o : outputs_)
      if (o->pane == pane) return o->buffers.StartDrawing(width, height);
    return nullptr;
  });
  run_->Start(std::move(panes));
  if (keyboard_) run_->Run().KeyboardArrived(MonotonicNow());
  if (focused_) run_->Run().KeyboardFocused();
}

// Every tick due at `now`; what they changed goes to each output, presented unless its frame
// is pending.
void WaylandSaver::Advance(MonotonicTime now) {
  if (!run_) return next_wake_.reset();
  for (auto& o : outputs_)
    if (o->pane) o->DrawOnInAFreeBuffer(run_->Buffer(*o->pane));
  const SaverRun::Wake wake = run_->Advance(now);
  next_wake_ = wake.next_wake;
  last_advance_ = now;
  if (wake.keys_went_elsewhere)
    std::fprintf(stderr,
                 "ambervale-wayland: the compositor gives the saver no keyboard: keys go to other windows; "
                 "any pointer movement, click or touch ends it\n");
  for (auto& o : outputs_)
    if (o->pane) o->Drew(run_->ChangedIn(wake.changed, *o->pane), run_->Buffer(*o->pane), now, wake.ticks);
  TakeCloseRequest();  // the mouse rule, read at the wake's first tick
  PresentAll(now);
}

void WaylandSaver::PresentAll(MonotonicTime now) {
  for (auto& o : outputs_) {
    if (!o->pane || !o->Present(run_->Buffer(*o->pane).Pixels(), globals_, now)) continue;
    if (options_.settings.show_fps && !std::exchange(presented_, true))
      std::fprintf(stderr, "ambervale-wayland: first frame after %lld ms\n",
                   static_cast<long long>((now - started_).count() / 1000));
    presented_ = true;
    run_->Run().Shown(now);
    o->DrawOnInAFreeBuffer(run_->Buffer(*o->pane));
  }
}

std::optional<MonotonicTime> WaylandSaver::NextAdvance() const {
  std::vector<std::optional<MonotonicTime>> pending;
  for (const auto& o : outputs_)
    if (o->pane) pending.push_back(o->frame_asked);
  return ambervale::NextAdvance(next_wake_, last_advance_, pending);
}

void WaylandSaver::SayPaused(bool paused) {
  if (std::exchange(paused_, paused) == paused || !options_.settings.show_fps) return;
  const auto shown = std::find_if(outputs_.begin(), outputs_.end(), [](const auto& o) { return o->pane.has_value(); });
  std::fprintf(stderr, "ambervale-wayland: %s after %ld ticks\n",
               paused ? "nothing of it shows: paused" : "shown again: going on",
               shown == outputs_.end() ? 0L : (*shown)->stats.Ticks());
}

void WaylandSaver::KeyboardArrived() {
  keyboard_ = true;
  if (run_) run_->Run().KeyboardArrived(MonotonicNow());
}

void WaylandSaver::KeyboardEntered(wl_surface* surface) {
  if (!OutputOf(surface)) return;
  focused_ = true;
  if (run_) run_->Run().KeyboardFocused();
}

void WaylandSaver::PointerAt(wl_surface* surface, wl_fixed_t x, wl_fixed_t y, bool moved) {
  const OutputView* output = OutputOf(surface);
  if (!output) return;
  const Point at{output->description.position.x + wl_fixed_to_int(x),
                 output->description.position.y + wl_fixed_to_int(y)};
  Report([at, moved](SaverRun& run) { moved ? run.PointerMoved(at) : run.PointerAt(at); });
}

std::optional<MonotonicTime> WaylandSaver::NextWake() const {
  const std::optional<MonotonicTime> advance = NextAdvance(), lock = lock_watch_->NextWake();
  return lock && (!advance || *lock < *advance) ? lock : advance;
}

// Input goes to the run, which may ask for the close.
template <typename Input>
void WaylandSaver::Report(const Input& input) {
  if (!run_) return;
  input(run_->Run());
  TakeCloseRequest();
}

// The compositor closing a surface ends the run, unless its output is going away, which the
// next round trip tells.
void WaylandSaver::EndClosedSurfaces() {
  if (std::none_of(outputs_.begin(), outputs_.end(), [](const auto& o) { return o->closed; })) return;
  wl_display_roundtrip(display_);
  for (auto& output : outputs_)
    if (output->closed) ending_ = true;
}

int WaylandSaver::Run(const sigset_t& wait_mask) {
  lock_watch_ = std::make_unique<SessionLockWatch>(options_.settings.lock_on_end.value_or(false));
  if (lock_watch_->ShouldEnd()) return 0;  // already locked or blanked: nothing would show
  if (!globals_.Listen(display_)) return 1;
  RethrowCaughtFailure();
  if (!globals_.Complete()) return 1;
  if (options_.settings.desktop_picture.value_or(kWaylandDesktopPictureByDefault))
    pictures_ = std::make_unique<DesktopPictures>(globals_, options_.settings.show_fps, started_);
  CloseGnomeOverview();
  while (!ending_ && !StopRequested()) {
    RethrowCaughtFailure();  // from a listener of the last dispatch
    if (const auto due = NextAdvance(); due && *due <= MonotonicNow()) Advance(MonotonicNow());
    if (!NextAdvance() && next_wake_) SayPaused(true);
    const bool connected = WaitForWayland(
        display_, lock_watch_->PollFds(), [this] { return NextWake(); }, wait_mask);
    lock_watch_->Dispatch(MonotonicNow());
    if (!connected) {
      // The compositor went away: nothing is left to draw on.
      std::fprintf(stderr, "ambervale-wayland: the connection to the compositor broke\n");
      return 0;
    }
    ending_ |= lock_watch_->ShouldEnd();
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
  // The compositor has taken the surfaces down before the program ends.
  wl_display_roundtrip(display);
  RethrowCaughtFailure();  // from a listener of the last dispatch or of the farewell round trip
  return status;
}

}  // namespace ambervale
