#include "x11/xscreensaver_prefs.h"

#include <fstream>
#include <optional>

namespace ambervale {
namespace {

constexpr std::string_view kResource = "grabDesktopImages";
// A preferences file is a few kilobytes; anything far larger is not one.
constexpr std::streamsize kMaxFileBytes = 4 << 20;

std::string_view Trim(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\r\f\v");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r\f\v") - first + 1);
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::optional<bool> ParseBoolean(std::string_view value) {
  for (std::string_view yes : {"true", "yes", "on", "1"})
    if (EqualsIgnoringCase(value, yes)) return true;
  for (std::string_view no : {"false", "no", "off", "0"})
    if (EqualsIgnoringCase(value, no)) return false;
  return std::nullopt;
}

// The value of one logical line when it sets the preference.
std::optional<bool> LineValue(std::string_view line) {
  line = Trim(line);
  if (line.empty() || line.front() == '!' || line.front() == '#') return std::nullopt;
  const size_t colon = line.find(':');
  if (colon == std::string_view::npos) return std::nullopt;
  std::string_view name = Trim(line.substr(0, colon));
  // "*grabDesktopImages", "XScreenSaver.grabDesktopImages": the last component names it.
  if (const size_t separator = name.find_last_of("*."); separator != std::string_view::npos)
    name.remove_prefix(separator + 1);
  if (name != kResource) return std::nullopt;
  return ParseBoolean(Trim(line.substr(colon + 1)));
}

std::optional<bool> FindValue(std::string_view text) {
  std::optional<bool> found;
  std::string logical;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view physical = text.substr(start, end - start);
    if (!physical.empty() && physical.back() == '\r') physical.remove_suffix(1);
    const bool continued = !physical.empty() && physical.back() == '\\';
    if (continued) physical.remove_suffix(1);
    logical.append(physical);
    if (!continued || end == text.size()) {
      if (std::optional<bool> value = LineValue(logical)) found = value;
      logical.clear();
    }
    start = end + 1;
  }
  return found;
}

std::optional<std::string> ReadSmallFile(const std::string& path) {
  if (path.empty()) return std::nullopt;
  std::ifstream file(path, std::ios::binary);
  if (!file) return std::nullopt;
  std::string text(kMaxFileBytes, '\0');
  file.read(text.data(), kMaxFileBytes);
  if (file.bad()) return std::nullopt;
  text.resize(static_cast<size_t>(file.gcount()));
  return text;
}

}  // namespace

bool GrabDesktopImagesFromText(std::string_view resource_text, bool fallback) {
  return FindValue(resource_text).value_or(fallback);
}

bool HasGrabDesktopImages(std::string_view resource_text) { return FindValue(resource_text).has_value(); }

PreferenceFiles DefaultPreferenceFiles(const char* home) {
  PreferenceFiles files;
  if (home != nullptr && *home != '\0') files.user_file = std::string(home) + "/.xscreensaver";
  files.app_defaults = {"/etc/X11/app-defaults/XScreenSaver", "/usr/share/X11/app-defaults/XScreenSaver"};
  return files;
}

bool GrabDesktopImagesAllowed(const PreferenceFiles& files) {
  if (const std::optional<std::string> text = ReadSmallFile(files.user_file)) {
    if (std::optional<bool> value = FindValue(*text)) return *value;
  }
  for (const std::string& path : files.app_defaults) {
    if (const std::optional<std::string> text = ReadSmallFile(path)) return GrabDesktopImagesFromText(*text, false);
  }
  return false;
}

bool ReadsSettingsFile(WindowTarget target, bool daemon_window_named, bool xscreensaver_daemon_runs) {
  if (!xscreensaver_daemon_runs) return true;
  switch (target) {
    case WindowTarget::kRoot: return !daemon_window_named;
    case WindowTarget::kWindowId: return false;
    case WindowTarget::kOwnWindow: return true;
  }
  return true;
}

}  // namespace ambervale
