#include "linux/settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <utility>

namespace ambervale {
namespace {

// A settings file is a few lines; anything far larger is not one, and is never replaced.
constexpr size_t kMaxFileBytes = 64 * 1024;
constexpr std::string_view kFpsKey = "fps";
constexpr std::string_view kDesktopPictureKey = "desktop-picture";
constexpr std::string_view kLockOnEndKey = "lock-on-end";
constexpr std::string_view kNewFileHeader =
    "# Ambervale's settings, read by ambervale and ambervale-wayland (see ambervale-settings(1)).\n";

std::string_view Trim(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    lines.push_back(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
  }
  return lines;
}

std::optional<bool> ParseSwitch(std::string_view value) {
  for (std::string_view yes : {"true", "yes", "on", "1"})
    if (value == yes) return true;
  for (std::string_view no : {"false", "no", "off", "0"})
    if (value == no) return false;
  return std::nullopt;
}

// A reason goes to a terminal and a label: no control bytes of the file in it, and no endless line.
std::string Printable(std::string text) {
  constexpr size_t kMaxLength = 200;
  if (text.size() > kMaxLength) text = text.substr(0, kMaxLength) + "...";
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return text;
}

std::string Quoted(std::string_view text) { return "'" + std::string(text) + "'"; }

// Sets `key` to `value` in `values`; an empty string, or why the line is skipped.
std::string ApplyLine(std::string_view key, std::string_view value, LinuxSettings& values) {
  const std::optional<bool> on = ParseSwitch(value);
  for (const SettingSpec& spec : kSettingSpecs) {
    if (spec.option.empty() || key != spec.option) continue;
    if (spec.is_flag) {
      if (!on) return Quoted(value) + " is not true or false";
      SetValue(values, spec.id, *on ? 1 : 0);
    } else {
      const std::optional<int64_t> number = ParseWholeNumber(value);
      if (!number) return Quoted(value) + " is not a whole number";
      SetValue(values, spec.id, ClampToRange(spec.id, *number));
    }
    return {};
  }
  if (key != kFpsKey && key != kDesktopPictureKey && key != kLockOnEndKey) return "unknown setting " + Quoted(key);
  if (!on) return Quoted(value) + " is not true or false";
  if (key == kFpsKey) {
    values.show_fps = *on;
  } else if (key == kLockOnEndKey) {
    values.lock_on_end = *on;
  } else {
    values.desktop_picture = *on;
  }
  return {};
}

// Every key Render writes, with its value, in the settings table's order.
std::vector<std::pair<std::string, std::string>> KeyValues(const LinuxSettings& values) {
  std::vector<std::pair<std::string, std::string>> pairs;
  for (const SettingSpec& spec : kSettingSpecs) {
    if (spec.option.empty()) continue;
    const int32_t value = ValueOf(values, spec.id);
    pairs.emplace_back(spec.option, spec.is_flag ? (value ? "true" : "false") : std::to_string(value));
  }
  if (values.desktop_picture) pairs.emplace_back(kDesktopPictureKey, *values.desktop_picture ? "true" : "false");
  if (values.lock_on_end) pairs.emplace_back(kLockOnEndKey, *values.lock_on_end ? "true" : "false");
  return pairs;
}

std::string ErrnoText(const std::string& what) { return what + ": " + std::strerror(errno); }

// mkdir -p, for the folder of the file.
bool MakeFolders(const std::string& folder) {
  for (size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string part = folder.substr(0, slash);
    if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return false;
    if (slash == std::string::npos) return true;
  }
}

}  // namespace

std::string DescribeSkippedLine(std::string_view path, const SkippedLine& line) {
  return std::string(path) + ":" + std::to_string(line.number) + ": " + line.reason + "; line skipped";
}

SettingsFile::SettingsFile(std::string_view text) {
  for (std::string_view raw : SplitLines(text)) {
    lines_.push_back({std::string(raw), {}});
    const std::string_view line = Trim(raw);
    if (line.empty() || line[0] == '#') continue;
    const size_t equals = line.find('=');
    const std::string_view key = Trim(line.substr(0, equals));
    const std::string reason = equals == std::string_view::npos
                                   ? "expected 'key = value'"
                                   : ApplyLine(key, Trim(line.substr(equals + 1)), values_);
    if (reason.empty()) {
      lines_.back().key = key;
    } else {
      skipped_.push_back({lines_.size(), Printable(reason)});
    }
  }
}

std::string SettingsFile::Render(const LinuxSettings& values) const {
  const auto pairs = KeyValues(values);
  std::string text = lines_.empty() ? std::string(kNewFileHeader) : std::string();
  std::vector<bool> written(pairs.size(), false);
  for (const Line& line : lines_) {
    size_t index = 0;
    while (index < pairs.size() && pairs[index].first != line.key) ++index;
    if (line.key.empty() || index == pairs.size()) {
      text += line.text + "\n";
    } else {
      text += pairs[index].first + " = " + pairs[index].second + "\n";
      written[index] = true;
    }
  }
  for (size_t i = 0; i < pairs.size(); ++i)
    if (!written[i]) text += pairs[i].first + " = " + pairs[i].second + "\n";
  return text;
}

SettingsFileRead ReadSettingsFile(const std::string& path) {
  SettingsFileRead read;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    if (errno != ENOENT) read.error = ErrnoText("cannot read " + path);
    return read;
  }
  std::string text(kMaxFileBytes + 1, '\0');
  text.resize(std::fread(text.data(), 1, text.size(), file));
  const bool failed = std::ferror(file) != 0;
  const int read_errno = errno;
  std::fclose(file);
  if (failed) {
    errno = read_errno;
    read.error = ErrnoText("cannot read " + path);
  } else if (text.size() > kMaxFileBytes) {
    read.error = "cannot read " + path + ": larger than " + std::to_string(kMaxFileBytes / 1024) + " KiB";
  } else {
    read.file = SettingsFile(text);
  }
  return read;
}

std::string SettingsFilePath(const char* xdg_config_home, const char* home) {
  if (xdg_config_home && xdg_config_home[0] == '/') return std::string(xdg_config_home) + "/ambervale/ambervale.conf";
  if (home && home[0] == '/') return std::string(home) + "/.config/ambervale/ambervale.conf";
  return {};
}

LinuxOptionsResult WithSettingsFile(LinuxOptionsResult command_line, LinuxProgram program, const std::string& path) {
  if (path.empty()) return command_line;
  const SettingsFileRead read = ReadSettingsFile(path);
  std::string problems;
  const std::string name = ProgramName(program);
  if (!read.Readable()) problems += name + ": " + read.error + "; using the defaults\n";
  for (const SkippedLine& line : read.file.Skipped()) problems += name + ": " + DescribeSkippedLine(path, line) + "\n";
  command_line.error = problems + command_line.error;

  LinuxSettings& settings = command_line.options.settings;
  LinuxSettings merged = read.file.Values();
  for (const SettingSpec& spec : kSettingSpecs)
    if (command_line.given.settings[static_cast<size_t>(spec.id)])
      SetValue(merged, spec.id, ValueOf(settings, spec.id));
  if (command_line.given.show_fps) merged.show_fps = settings.show_fps;
  if (settings.desktop_picture) merged.desktop_picture = settings.desktop_picture;
  if (settings.lock_on_end) merged.lock_on_end = settings.lock_on_end;
  settings = merged;
  return command_line;
}

std::string SaveFileAtomically(const std::string& path, std::string_view text) {
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos || slash == 0 ? "/" : path.substr(0, slash);
  if (!MakeFolders(folder)) return ErrnoText("cannot make the folder " + folder);
  std::string temporary = path + ".XXXXXX";
  const int fd = mkstemp(temporary.data());
  if (fd < 0) return ErrnoText("cannot write in " + folder);
  fchmod(fd, 0644);
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t wrote = write(fd, text.data() + done, text.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) break;
    done += static_cast<size_t>(wrote);
  }
  std::string error;
  if (done != text.size() || fsync(fd) != 0) error = ErrnoText("cannot write " + temporary);
  if (close(fd) != 0 && error.empty()) error = ErrnoText("cannot write " + temporary);
  if (error.empty() && rename(temporary.c_str(), path.c_str()) != 0) error = ErrnoText("cannot replace " + path);
  if (!error.empty()) {
    unlink(temporary.c_str());
    return error;
  }
  // The rename itself reaches the disk with the folder.
  if (const int folder_fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY); folder_fd >= 0) {
    fsync(folder_fd);
    close(folder_fd);
  }
  return {};
}

}  // namespace ambervale
