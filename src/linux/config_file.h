// The settings file of the Linux programs (ambervale.conf): the defaults, then the lines of the
// file, then the command line. Free of X11 and Wayland so that it can be tested and fuzzed alone.
#pragma once

#include <string>
#include <string_view>

#include "linux/linux_options.h"

namespace ambervale {

// Applies the `key = value` lines of a configuration file over `options`. Keys are the long
// option names (size, algorithm, random, fast, transparent, fps, desktop-picture); switches take
// true/false, yes/no, on/off or 1/0. Blank lines and lines starting with '#' are skipped. A bad
// line is named in `warnings` (one line each, with `program`'s name, `file_name` and its number)
// and skipped.
LinuxOptions ApplyConfigText(std::string_view text, std::string_view file_name, LinuxOptions options,
                             std::string& warnings, LinuxProgram program);

// $XDG_CONFIG_HOME/ambervale/ambervale.conf, else ~/.config/ambervale/ambervale.conf; empty when
// neither variable names an absolute folder.
std::string ConfigFilePath(const char* xdg_config_home, const char* home);

// The whole start-up reading: the file at `config_path` (missing: no change; unreadable or too
// large: a warning), then the command line. The file's warnings go to the result's `error`.
LinuxOptionsResult ReadLinuxOptions(int argc, const char* const* argv, LinuxProgram program,
                                    const std::string& config_path);

}  // namespace ambervale
