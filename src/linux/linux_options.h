// The command lines of the Linux programs: the saver's settings as flags, the XScreenSaver hack's
// standard flags that say where to draw, and the Wayland program's desktop picture switch. Free of
// X11 and Wayland so that it can be tested and fuzzed alone.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/settings.h"

namespace ambervale {

// The saver's settings as the Linux programs take them from ambervale.conf and their command
// lines, already pulled into their ranges, and the two choices they alone have. They start at
// the first-run values. Which input ends a run is the program's rule (RunRules), not
// exit_on_input: that is the Windows dialog's.
struct LinuxSettings : Settings {
  LinuxSettings();
  bool show_fps = false;
  // The Wayland program's --desktop-picture / --no-desktop-picture; unset: its default.
  std::optional<bool> desktop_picture;
  // The Wayland program's --lock-on-end: a close first locks the session, and the saver ends once
  // the lock is up (the counterpart of Windows' "On resume, display logon screen"); unset: off.
  std::optional<bool> lock_on_end;

  friend bool operator==(const LinuxSettings&, const LinuxSettings&) = default;
};

enum class WindowTarget {
  kOwnWindow,  // --window, and the default: a window of our own for a quick look
  kRoot,       // --root: the daemon's window from XSCREENSAVER_WINDOW, else the real root
  kWindowId,   // --window-id ID
};

struct WindowGeometry {
  int32_t width = 1280;
  int32_t height = 720;
  int32_t x = 0;
  int32_t y = 0;
  bool has_position = false;
};

struct LinuxOptions {
  LinuxSettings settings;
  WindowTarget target = WindowTarget::kOwnWindow;
  uint64_t window_id = 0;
  WindowGeometry geometry;
  std::string display;  // --display; empty: $DISPLAY
  // --fullscreen: the own window covers the screen, and any key or click ends it.
  bool fullscreen = false;
  // --idle SECONDS (the Wayland program): stay resident and show the saver after that long idle.
  std::optional<int32_t> idle_seconds;
};

// The Wayland program shows the desktop under the leaves unless told not to: unlike a hack under
// a locker, it never runs over a locked screen (the desktop's own lock comes after it and covers it).
inline constexpr bool kWaylandDesktopPictureByDefault = true;

// The longest idle time --idle takes: a day.
constexpr int32_t kMaxIdleSeconds = 86400;

// Which program's command line: the X11 hack's (with the flags that say where to draw) or the
// Wayland program's (no window flags, but the desktop picture switch).
enum class LinuxProgram { kX11Hack, kWayland };

// Which settings the command line gave itself: a settings file read after it goes under them.
struct GivenOnCommandLine {
  std::array<bool, kSettingSpecs.size()> settings{};  // by SettingId
  bool show_fps = false;
};

struct LinuxOptionsResult {
  LinuxOptions options;
  GivenOnCommandLine given;
  // Set when the program is to end at once with this code (--help: 0, a bad command line: 2)
  // after writing `output` to stdout and `error` to stderr.
  std::optional<int> exit_code;
  std::string output;
  std::string error;
};

// Flags take one or two leading dashes, and a value either as the next argument or after '='.
// Numbers outside a setting's range are pulled in; anything unknown or malformed gives
// exit code 2 with a message and the usage.
// Parsing starts from `start` (e.g. the values of a configuration file).
LinuxOptionsResult ParseLinuxOptions(int argc, const char* const* argv, LinuxProgram program = LinuxProgram::kX11Hack,
                                     const LinuxOptions& start = {});

std::string LinuxUsage(LinuxProgram program = LinuxProgram::kX11Hack);
// The program's name in messages.
const char* ProgramName(LinuxProgram program);

// The command line without its --idle flag and value: the saver an idle watcher starts.
// `argv` is one that parsed.
std::vector<std::string> WithoutIdleOption(int argc, const char* const* argv);

// A whole decimal integer with an optional sign; out-of-range magnitudes saturate, since
// a setting's value is pulled into its range anyway.
std::optional<int64_t> ParseWholeNumber(std::string_view text);

// A window id as XScreenSaver passes it: decimal or 0x hex, the whole text, above zero and
// within 32 bits (X resource ids have 29).
std::optional<uint64_t> ParseWindowId(const std::string& text);

}  // namespace ambervale
