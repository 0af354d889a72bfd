// The settings file of the Linux programs as ambervale-settings edits it: the values it gives,
// the lines it could not read, and the file written back with every other line kept as it
// was (comments, keys of other versions, lines with mistakes). Free of GTK.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "linux/linux_options.h"

namespace ambervale {

// What the settings window shows and Save writes.
struct FileSettings {
  LinuxSettings settings;
  // Only where the file names it or the window offers the switch (Wayland).
  std::optional<bool> desktop_picture;
};

class SettingsFile {
 public:
  // A file that does not exist yet: the defaults, no lines.
  SettingsFile() = default;
  // The text of a file: its values over the defaults, its bad lines named in Warnings().
  SettingsFile(std::string_view text, std::string_view file_name);

  const FileSettings& Values() const { return values_; }
  // One line per bad line ("ambervale-settings: FILE:LINE: what; line skipped"), or empty.
  const std::string& Warnings() const { return warnings_; }

  // The file with `values`: each line that set one of them now holds its new value, every
  // other line is kept verbatim, and the settings no line set follow at the end.
  std::string Render(const FileSettings& values) const;

 private:
  struct Line {
    std::string text;
    std::string key;  // of a line that set a value; empty for any other line
  };
  std::vector<Line> lines_;
  FileSettings values_;
  std::string warnings_;
};

// The result of reading the file at `path`. A file that is not there gives the defaults; one
// that cannot be read is reported in `error`, and `readable` is false so that Save does not
// replace what was never seen.
struct SettingsFileLoad {
  SettingsFile file;
  bool readable = true;
  std::string error;
};
SettingsFileLoad LoadSettingsFile(const std::string& path);

// Writes `text` to `path` so that a reader sees either the old file or the whole new one: a
// temporary file in the same folder (created with its parents where missing), flushed to disk,
// then renamed over. Returns an empty string, or what went wrong.
std::string SaveFileAtomically(const std::string& path, std::string_view text);

}  // namespace ambervale
