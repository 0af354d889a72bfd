// Try: the real saver, full screen, with the values the settings window shows. Free of GTK.
#pragma once

#include <string>
#include <vector>

#include "linux/linux_options.h"

namespace ambervale {

enum class Session { kX11, kWayland };

// The saver of the session, found from `own_folder`, the folder of the running
// ambervale-settings: the Wayland program lies beside it; the X11 program too in a build tree,
// and installed in XScreenSaver's folder of hacks.
std::string SaverProgram(Session session, const std::string& own_folder);

// The saver's command line: the values as options, which win over the settings file, and on
// X11 a full-screen window of the program's own.
std::vector<std::string> TryCommand(Session session, const std::string& program, const LinuxSettings& values);

}  // namespace ambervale
