#include "gtk_settings/settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "linux/config_file.h"

namespace ambervale {
namespace {

// A settings file is a few lines; one this large is something else, never to be replaced.
constexpr size_t kMaxFileBytes = 1024 * 1024;
constexpr std::string_view kDesktopPictureKey = "desktop-picture";
constexpr std::string_view kNewFileHeader =
    "# Ambervale's settings, read by ambervale and ambervale-wayland (see ambervale-settings(1)).\n";

// The file's keys are parsed as the Wayland program reads them: it knows every key.
constexpr LinuxProgram kReader = LinuxProgram::kWayland;

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

// The key of a line that the programs read without a warning and that sets a value; empty
// for comments, blank lines and bad lines, which Save keeps as they are.
std::string KeyOfGoodLine(std::string_view line) {
  const std::string_view trimmed = Trim(line);
  const size_t equals = trimmed.find('=');
  if (trimmed.empty() || trimmed[0] == '#' || equals == std::string_view::npos) return {};
  std::string warnings;
  ApplyConfigText(trimmed, "", LinuxOptions{}, warnings, kReader);
  return warnings.empty() ? std::string(Trim(trimmed.substr(0, equals))) : std::string();
}

// Every key Save writes, with its value, in the settings table's order.
std::vector<std::pair<std::string, std::string>> KeyValues(const FileSettings& values) {
  std::vector<std::pair<std::string, std::string>> pairs;
  for (const SettingSpec& spec : kSettingSpecs) {
    if (spec.option.empty()) continue;
    const int32_t value = ValueOf(values.settings, spec.id);
    pairs.emplace_back(spec.option, spec.is_flag ? (value ? "true" : "false") : std::to_string(value));
  }
  if (values.desktop_picture) pairs.emplace_back(kDesktopPictureKey, *values.desktop_picture ? "true" : "false");
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

SettingsFile::SettingsFile(std::string_view text, std::string_view file_name) {
  LinuxOptions options;
  options = ApplyConfigText(text, file_name, options, warnings_, kReader);
  values_.settings = options.settings;
  values_.desktop_picture = options.desktop_picture;
  for (std::string_view line : SplitLines(text)) lines_.push_back({std::string(line), KeyOfGoodLine(line)});
}

std::string SettingsFile::Render(const FileSettings& values) const {
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

SettingsFileLoad LoadSettingsFile(const std::string& path) {
  SettingsFileLoad load;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    if (errno == ENOENT) return load;
    load.readable = false;
    load.error = ErrnoText("cannot read " + path);
    return load;
  }
  std::string text(kMaxFileBytes + 1, '\0');
  text.resize(std::fread(text.data(), 1, text.size(), file));
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed || text.size() > kMaxFileBytes) {
    load.readable = false;
    load.error = "cannot read " + path + (failed ? "" : ": larger than 1 MiB");
    return load;
  }
  load.file = SettingsFile(text, path);
  return load;
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
