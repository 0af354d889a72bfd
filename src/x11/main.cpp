// ambervale: the XScreenSaver hack. Draws the saver into the daemon's window (--root), the
// root window, a given window or a window of its own, until SIGTERM or SIGINT.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <malloc.h>
#include <poll.h>
#include <signal.h>
#include <sys/time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "linux/buffered_run.h"
#include "linux/settings_file.h"
#include "linux/linux_options.h"
#include "linux/program_main.h"
#include "linux/scale_picture.h"
#include "linux/stop_signals.h"
#include "linux/tick_stats.h"
#include "linux/wake_clock.h"
#include "x11/desktop_picture.h"
#include "run/frame_gate.h"
#include "x11/x_pictures.h"
#include "x11/x_presenter.h"
#include "x11/x_refresh.h"
#include "x11/xscreensaver_prefs.h"

namespace ambervale {
namespace {

// The screen-sized pictures of the start-up and of a resize are freed in the middle of the
// heap, where the allocator would keep them: give those pages back.
void ReleaseFreedMemory() { malloc_trim(0); }

struct Target {
  Window window = None;
  bool own = false;     // created by us: its keys (and a full screen's buttons and pointer) go to the run
  bool daemon = false;  // XScreenSaver's window
  bool real_root = false;
  XWindowAttributes attributes{};
};

// The saver on one X window: the window, the run over its back buffer, the presents, the loop.
class X11Saver {
 public:
  X11Saver(Display* display, const LinuxOptions& options) : display_(display), options_(options) {}
  ~X11Saver();

  int Run(const sigset_t& wait_mask);

 private:
  bool FindTarget();
  void Start();
  void Loop(const sigset_t& wait_mask);
  void CreateOwnWindow();
  std::vector<uint32_t> ReadBackground(int width, int height);
  void HandleEvent(XEvent& event);
  // Keys, buttons and the pointer of a window of our own go to the run, which decides.
  void ReportInput(const XEvent& event);
  void ReportPointer();
  void OnResize(int width, int height);
  // A grid on each monitor the root (or a full screen over it) spans; a window's one otherwise.
  std::vector<Rect> Screens();
  void Present(const Damage& changed);
  void DrawFpsOverlay();
  bool TargetExists();

  Display* display_;
  LinuxOptions options_;
  Target target_;
  BackgroundSource source_ = BackgroundSource::kPlain;
  std::unique_ptr<BufferedRun> run_;
  std::unique_ptr<XPresenter> presenter_;
  FrameGate frames_;  // what changed in the buffer waits there for the next frame
  TickStats stats_;
  Atom delete_window_ = None;
  bool done_ = false;
};

X11Saver::~X11Saver() {
  presenter_.reset();
  // Standalone on the real root: give the desktop its own background back.
  if (target_.real_root) XClearArea(display_, target_.window, 0, 0, 0, 0, True);
  if (target_.own) XDestroyWindow(display_, target_.window);
  XSync(display_, False);
  if (options_.settings.show_fps) stats_.PrintSummary("ambervale", "", TickInterval(options_.settings.fast));
}

bool X11Saver::FindTarget() {
  if (options_.target == WindowTarget::kOwnWindow) {
    CreateOwnWindow();
    return true;
  }
  uint64_t id = options_.window_id;
  if (options_.target == WindowTarget::kRoot) {
    const char* daemon_window = std::getenv("XSCREENSAVER_WINDOW");
    std::optional<uint64_t> parsed = daemon_window ? ParseWindowId(daemon_window) : std::nullopt;
    if (daemon_window && !parsed)
      std::fprintf(stderr, "ambervale: ignoring XSCREENSAVER_WINDOW '%s': not a window id\n", daemon_window);
    target_.daemon = parsed.has_value();
    target_.real_root = !parsed;
    id = parsed ? *parsed : DefaultRootWindow(display_);
  }
  target_.window = static_cast<Window>(id);
  XErrorTrap trap(display_);
  const Status ok = XGetWindowAttributes(display_, target_.window, &target_.attributes);
  if (trap.Failed() || !ok) {
    std::fprintf(stderr, "ambervale: there is no window 0x%lx on this display\n", static_cast<unsigned long>(id));
    target_.real_root = false;
    return false;
  }
  XSelectInput(display_, target_.window, ExposureMask | StructureNotifyMask);
  return true;
}

void X11Saver::CreateOwnWindow() {
  const int screen = DefaultScreen(display_);
  if (options_.fullscreen)
    options_.geometry = {DisplayWidth(display_, screen), DisplayHeight(display_, screen), 0, 0, true};
  const WindowGeometry& g = options_.geometry;
  target_.window = XCreateSimpleWindow(display_, RootWindow(display_, screen), g.x, g.y, static_cast<unsigned>(g.width),
                                       static_cast<unsigned>(g.height), 0, BlackPixel(display_, screen),
                                       BlackPixel(display_, screen));
  target_.own = true;
  XStoreName(display_, target_.window, "Ambervale Screensaver");
  XClassHint hint{const_cast<char*>("ambervale"), const_cast<char*>("Ambervale")};
  XSetClassHint(display_, target_.window, &hint);
  if (g.has_position) {
    XSizeHints hints{};
    hints.flags = USPosition | USSize;
    hints.x = g.x;
    hints.y = g.y;
    hints.width = g.width;
    hints.height = g.height;
    XSetWMNormalHints(display_, target_.window, &hints);
  }
  if (options_.fullscreen) {
    // A window manager shows it over its panels; without one it covers the screen anyway.
    Atom state = XInternAtom(display_, "_NET_WM_STATE_FULLSCREEN", False);
    XChangeProperty(display_, target_.window, XInternAtom(display_, "_NET_WM_STATE", False), XA_ATOM, 32,
                    PropModeReplace, reinterpret_cast<unsigned char*>(&state), 1);
  }
  delete_window_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(display_, target_.window, &delete_window_, 1);
  // A full screen ends on any input, a quick mouse movement too; a window on Esc or q.
  const long pointer = options_.fullscreen ? PointerMotionMask : 0;
  XSelectInput(display_, target_.window, ExposureMask | StructureNotifyMask | KeyPressMask | ButtonPressMask | pointer);
  XGetWindowAttributes(display_, target_.window, &target_.attributes);
}

std::vector<uint32_t> X11Saver::ReadBackground(int width, int height) {
  std::optional<std::vector<uint32_t>> picture;
  switch (source_) {
    case BackgroundSource::kDaemonScreenshot:
      picture = ReadDaemonScreenshot(display_, target_.window, width, height);
      break;
    case BackgroundSource::kHostWallpaper: picture = ReadWindowPicture(display_, target_.window, width, height); break;
    case BackgroundSource::kGrabScreen:
      if (target_.own) {
        // Before our window shows: the part of the screen it will cover, clipped to the screen.
        const XWindowAttributes& a = target_.attributes;
        const int screen_width = DisplayWidth(display_, DefaultScreen(display_));
        const int screen_height = DisplayHeight(display_, DefaultScreen(display_));
        const int x = std::clamp(a.x, 0, screen_width - 1), y = std::clamp(a.y, 0, screen_height - 1);
        std::optional<std::vector<uint32_t>> grab =
            ReadDrawable(display_, DefaultRootWindow(display_), x, y, std::min(width, screen_width - x),
                         std::min(height, screen_height - y));
        if (grab)
          picture = ScalePicture(*grab, std::min(width, screen_width - x), std::min(height, screen_height - y), width,
                                 height);
      } else if (target_.real_root) {
        // The desktop itself: one colour all over is the user's own background, not a window
        // that nobody painted.
        picture = ReadDrawable(display_, target_.window, 0, 0, width, height);
      } else {
        picture = ReadWindowPicture(display_, target_.window, width, height);
      }
      break;
    case BackgroundSource::kPlain: break;
  }
  return picture ? std::move(*picture) : std::vector<uint32_t>();
}

void X11Saver::OnResize(int width, int height) {
  if (width == run_->Buffer().Width() && height == run_->Buffer().Height()) return;
  std::vector<uint32_t> background;
  if (source_ == BackgroundSource::kDaemonScreenshot) background = ReadBackground(width, height);
  if (background.empty()) background = run_->FittedBackground(width, height);
  // The next wake presents all of the new buffer.
  run_->Resize(width, height, std::move(background), Screens());
  ReleaseFreedMemory();
}

std::vector<Rect> X11Saver::Screens() {
  const bool spans_screens = target_.real_root || target_.daemon || (target_.own && options_.fullscreen);
  return spans_screens ? WindowMonitors(display_, target_.window) : std::vector<Rect>();
}

void X11Saver::HandleEvent(XEvent& event) {
  if (presenter_->HandleEvent(event)) return;
  switch (event.type) {
    case Expose:
      presenter_->Present(run_->Buffer(), Rect{event.xexpose.x, event.xexpose.y, event.xexpose.x + event.xexpose.width,
                                               event.xexpose.y + event.xexpose.height});
      if (event.xexpose.count == 0) DrawFpsOverlay();
      break;
    case ConfigureNotify:
      if (event.xconfigure.window != target_.window) break;
      frames_.SetRefresh(WindowRefreshRate(display_, target_.window));  // moved to another monitor?
      OnResize(event.xconfigure.width, event.xconfigure.height);
      break;
    case DestroyNotify:
      if (event.xdestroywindow.window == target_.window) {
        target_.own = false;
        done_ = true;
      }
      break;
    case KeyPress:
    case ButtonPress:
    case MotionNotify:
      if (target_.own) ReportInput(event);
      break;
    case MapNotify:
      // Keys end a full-screen run: they must come here, with or without a window manager.
      if (target_.own && options_.fullscreen)
        XSetInputFocus(display_, target_.window, RevertToPointerRoot, CurrentTime);
      break;
    case ClientMessage:
      if (target_.own && static_cast<Atom>(event.xclient.data.l[0]) == delete_window_) done_ = true;
      break;
    default: break;
  }
}

void X11Saver::ReportInput(const XEvent& event) {
  SaverRun& run = run_->Run();
  if (event.type == KeyPress) {
    const KeySym key = XLookupKeysym(const_cast<XKeyEvent*>(&event.xkey), 0);
    run.KeyPressed(key == XK_q || key == XK_Q || key == XK_Escape ? Key::kEscape : Key::kOther);
  } else if (event.type == ButtonPress) {
    run.ButtonPressed();
  } else {
    run.PointerAt(Point{event.xmotion.x_root, event.xmotion.y_root});
  }
  if (run.TakeCloseRequest()) done_ = true;
}

// Where the pointer rests as the run starts: the mouse rule's first reading.
void X11Saver::ReportPointer() {
  Window root = None, child = None;
  int x = 0, y = 0, window_x = 0, window_y = 0;
  unsigned mask = 0;
  if (XQueryPointer(display_, target_.window, &root, &child, &x, &y, &window_x, &window_y, &mask))
    run_->Run().PointerAt(Point{x, y});
}

void X11Saver::Present(const Damage& changed) {
  if (changed.Empty()) return;
  for (const Rect& part : changed.Parts()) presenter_->Present(run_->Buffer(), part);
  stats_.CountPresent();
  DrawFpsOverlay();
}

void X11Saver::DrawFpsOverlay() {
  if (!options_.settings.show_fps) return;
  char text[96];
  const int length = std::snprintf(text, sizeof text, "%.1f ticks/s  tick %.1f ms (%u ms)", stats_.TicksPerSecond(),
                                   stats_.MeanIntervalMs(), TickInterval(options_.settings.fast));
  GC gc = presenter_->Gc();
  const int screen = DefaultScreen(display_);
  XSetForeground(display_, gc, BlackPixel(display_, screen));
  XFillRectangle(display_, target_.window, gc, 8, 8, static_cast<unsigned>(8 + 6 * length), 20);
  XSetForeground(display_, gc, WhitePixel(display_, screen));
  XDrawString(display_, target_.window, gc, 12, 22, text, length);
}

bool X11Saver::TargetExists() {
  XWindowAttributes attributes;
  XErrorTrap trap(display_);
  const Status ok = XGetWindowAttributes(display_, target_.window, &attributes);
  return !trap.Failed() && ok;
}

int X11Saver::Run(const sigset_t& wait_mask) {
  if (!FindTarget()) return 1;
  Start();
  Loop(wait_mask);
  return 0;
}

void X11Saver::Start() {
  const int width = target_.attributes.width;
  const int height = target_.attributes.height;
  BackgroundFacts facts;
  facts.desktop_pictures_allowed = GrabDesktopImagesAllowed(DefaultPreferenceFiles(std::getenv("HOME")));
  facts.daemon_window = target_.daemon;
  facts.nested_window = !target_.own && IsNestedWindow(display_, target_.window);
  // Any window XScreenSaver made (its own, a settings preview) may carry its screenshot.
  facts.screenshot_available = !target_.own && HasDaemonScreenshot(display_, target_.window);
  source_ = ChooseBackground(facts);
  std::vector<uint32_t> background = ReadBackground(width, height);

  const InputRule input = target_.own && options_.fullscreen ? InputRule::kAnyInput : InputRule::kEscapeOnly;
  presenter_ =
      std::make_unique<XPresenter>(display_, target_.window, target_.attributes.visual, target_.attributes.depth);
  run_ = std::make_unique<BufferedRun>(options_.settings, UtcTimeOfDay(), RunRules{input});
  // Each buffer draws straight into an image the server shares, where it can.
  run_->DrawInto([this](size_t, int32_t buffer_width, int32_t buffer_height) {
    uint32_t* shared = presenter_->SharedPixels(buffer_width, buffer_height);
    if (shared == nullptr) presenter_->Resize(buffer_width, buffer_height);
    return shared;
  });
  run_->Start(width, height, std::move(background), Screens());
  if (target_.own) XMapRaised(display_, target_.window);
  if (target_.own && options_.fullscreen) ReportPointer();
  frames_.SetRefresh(WindowRefreshRate(display_, target_.window));
  ReleaseFreedMemory();
  InstallLastingErrorHandler();
}

// Events are handled as they come; then the run performs the ticks that are due, their changes
// go to the window at most once per display frame, and the process sleeps until a tick could
// be shown or an event comes. A wake costs the sleep, one write and one read of the connection:
// the connection is read for events only where the sleep saw something arrive, and the one
// flush that sends the wake's requests reads what the server sent meanwhile.
void X11Saver::Loop(const sigset_t& wait_mask) {
  const int fd = ConnectionNumber(display_);
  bool input_arrived = true;  // at the start, unknown
  while (!done_ && !StopRequested()) {
    for (int queued = XEventsQueued(display_, input_arrived ? QueuedAfterReading : QueuedAlready); queued > 0 && !done_;
         queued = XEventsQueued(display_, QueuedAlready)) {
      XEvent event;
      XNextEvent(display_, &event);
      HandleEvent(event);
    }
    if (done_) break;
    const MonotonicTime now = MonotonicNow();
    const SaverRun::Wake wake = run_->Advance(now);
    if (run_->Run().TakeCloseRequest()) break;  // the mouse rule, read at the wake's first tick
    stats_.Count(now, wake.ticks);
    frames_.Add(wake.changed);
    if (const std::optional<Damage> due = frames_.TakeDue(now)) Present(*due);
    XEventsQueued(display_, QueuedAfterFlush);
    if (TakeLastingError() && !TargetExists()) break;  // nothing left to draw on
    input_arrived = false;
    if (XEventsQueued(display_, QueuedAlready) > 0) continue;
    pollfd connection{fd, POLLIN, 0};
    const int ready = SleepUntil({&connection, 1}, frames_.NextWake(wake.next_wake), wait_mask);
    // The server went away: nothing more to draw on.
    if (ready > 0 && (connection.revents & (POLLHUP | POLLERR))) break;
    input_arrived = ready > 0;
  }
}

// The XScreenSaver daemon runs on this display: a window of the root carries its version, as
// xscreensaver-command finds it.
bool XScreenSaverDaemonRuns(Display* display) {
  const Atom version = XInternAtom(display, "_SCREENSAVER_VERSION", False);
  Window root = None, parent = None;
  Window* children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) return false;
  bool found = false;
  XErrorTrap trap(display);
  for (unsigned i = 0; i < count && !found; ++i) {
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, children[i], version, 0, 0, False, XA_STRING, &type, &format, &items, &after,
                           &data) == Success)
      found = type == XA_STRING;
    if (data) XFree(data);
  }
  if (children) XFree(children);
  return found;
}

// The command line alone, or over the settings file (see ReadsSettingsFile); the file's bad
// lines are named on stderr.
LinuxOptions ReadSettings(Display* display, const LinuxOptionsResult& command_line) {
  const char* daemon_window = std::getenv("XSCREENSAVER_WINDOW");
  const bool named = daemon_window && ParseWindowId(daemon_window);
  if (!ReadsSettingsFile(command_line.options.target, named, XScreenSaverDaemonRuns(display)))
    return command_line.options;
  const LinuxOptionsResult with_file = WithSettingsFile(
      command_line, LinuxProgram::kX11Hack, SettingsFilePath(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME")));
  std::fputs(with_file.error.c_str(), stderr);
  return with_file.options;
}

int IoErrorExit(Display*) {
  // The connection is gone (the server ended): nothing is left to release on it.
  std::_Exit(1);
}

int RunOnDisplay(const LinuxOptionsResult& command_line, const sigset_t& wait_mask) {
  const std::string& display_name = command_line.options.display;
  const char* name = display_name.empty() ? nullptr : display_name.c_str();
  const std::unique_ptr<Display, decltype(&XCloseDisplay)> display(XOpenDisplay(name), XCloseDisplay);
  if (display == nullptr) {
    std::fprintf(stderr, "ambervale: cannot open display '%s'\n", XDisplayName(name));
    return 1;
  }
  XSetIOErrorHandler(IoErrorExit);
  X11Saver saver(display.get(), ReadSettings(display.get(), command_line));
  return saver.Run(wait_mask);
}

}  // namespace
}  // namespace ambervale

int main(int argc, char** argv) {
  using namespace ambervale;
  const LinuxOptionsResult command_line = ParseLinuxOptions(argc, argv);
  return RunLinuxProgram(LinuxProgram::kX11Hack, command_line, [&](const LinuxOptions&, const sigset_t& wait_mask) {
    return RunOnDisplay(command_line, wait_mask);
  });
}
