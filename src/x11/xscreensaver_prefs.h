// XScreenSaver's grabDesktopImages preference: whether hacks may show a picture of the
// screen. Read from the user's ~/.xscreensaver, else the system's app-defaults, the way the
// daemon layers them. The text parsing is free of X11 so that it can be tested and fuzzed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "linux/linux_options.h"

namespace ambervale {

// Whether the hack reads the settings file (ambervale.conf) under its command line.
// XScreenSaver's settings page passes only the values that differ from the defaults, so where
// XScreenSaver starts the hack the file must not fill in the rest: on the window of a running
// XScreenSaver daemon (--root with XSCREENSAVER_WINDOW) and in a preview (--window-id, as
// xscreensaver-settings runs it). MATE and xfce4-screensaver (XSCREENSAVER_WINDOW without that
// daemon), a window of its own and the bare root take their defaults from the file.
bool ReadsSettingsFile(WindowTarget target, bool daemon_window_named, bool xscreensaver_daemon_runs);

// The grabDesktopImages value in one file's text (resource lines "name: value", with any
// "*" or "Class." prefix; "!" and "#" lines are comments; a trailing backslash continues a
// line). True/False/yes/no/on/off/1/0 in any case; the last valid line wins; `fallback` when
// the text names no valid value.
bool GrabDesktopImagesFromText(std::string_view resource_text, bool fallback);

// Whether the text names a valid grabDesktopImages value at all.
bool HasGrabDesktopImages(std::string_view resource_text);

struct PreferenceFiles {
  std::string user_file;                  // ~/.xscreensaver
  std::vector<std::string> app_defaults;  // the first one that exists is read
};

// $HOME/.xscreensaver (none when home is null or empty), then Debian's and X.Org's
// app-defaults.
PreferenceFiles DefaultPreferenceFiles(const char* home);

// The user's file when it sets the preference, else the app-defaults, else False: Debian
// ships it off, and a missing setting must not show someone's screen.
bool GrabDesktopImagesAllowed(const PreferenceFiles& files);

}  // namespace ambervale
