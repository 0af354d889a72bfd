// ambervale.conf, the settings file of the Linux programs: read by both savers at start-up and
// edited by ambervale-settings. `key = value` lines; the keys are the long option names (the
// settings table's, then fps, desktop-picture and lock-on-end), switches take true/false, yes/no,
// on/off or 1/0, numbers are pulled into their ranges. Blank lines and lines starting with '#' are
// comments. Free of X11, Wayland and GTK so that it can be tested and fuzzed alone.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "linux/linux_options.h"

namespace ambervale {

// A line that was skipped, and why (in printable text: it may quote the file).
struct SkippedLine {
  size_t number = 0;  // from 1
  std::string reason;
};

// "FILE:LINE: reason; line skipped", as the programs and the settings window name it.
std::string DescribeSkippedLine(std::string_view path, const SkippedLine& line);

class SettingsFile {
 public:
  // A file that does not exist yet: the defaults, no lines.
  SettingsFile() = default;
  // The text of a file: its values over the defaults; its bad lines skipped and named.
  explicit SettingsFile(std::string_view text);

  const LinuxSettings& Values() const { return values_; }
  const std::vector<SkippedLine>& Skipped() const { return skipped_; }

  // The file with `values`: each line that set a value the settings window shows now holds its
  // new value, every other line is kept verbatim (comments, fps, keys of other versions, lines
  // with mistakes), and the values no line set follow at the end. The desktop picture and
  // lock-on-end are written only when set.
  std::string Render(const LinuxSettings& values) const;

 private:
  struct Line {
    std::string text;
    std::string key;  // of a line that set a value; empty for any other line
  };
  std::vector<Line> lines_;
  LinuxSettings values_;
  std::vector<SkippedLine> skipped_;
};

// Reading the file at a path. A file that is not there is no file yet: the defaults. One that
// cannot be read (no permission, a folder, larger than the limit) is not taken for missing:
// `error` says why, and nothing may replace what was never read.
struct SettingsFileRead {
  SettingsFile file;
  std::string error;  // empty: read (or missing)
  bool Readable() const { return error.empty(); }
};
SettingsFileRead ReadSettingsFile(const std::string& path);

// $XDG_CONFIG_HOME/ambervale/ambervale.conf, else ~/.config/ambervale/ambervale.conf; empty when
// neither variable names an absolute folder.
std::string SettingsFilePath(const char* xdg_config_home, const char* home);

// A saver's parsed command line over the file at `path` (may be empty: none): each setting the
// command line did not give takes the file's value. The file's problems go before the result's
// `error`, for stderr; the saver runs on with the values it could read.
LinuxOptionsResult WithSettingsFile(LinuxOptionsResult command_line, LinuxProgram program, const std::string& path);

// Writes `text` to `path` so that a reader sees either the old file or the whole new one: a
// temporary file in the same folder (created with its parents where missing), flushed to disk,
// then renamed over. Returns an empty string, or what went wrong.
std::string SaveFileAtomically(const std::string& path, std::string_view text);

}  // namespace ambervale
