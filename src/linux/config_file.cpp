#include "linux/config_file.h"

#include <array>
#include <fstream>
#include <optional>
#include <sstream>

namespace ambervale {
namespace {

// A configuration file is a few lines; anything far larger is not one.
constexpr std::streamsize kMaxConfigBytes = 64 * 1024;

std::string_view Trim(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::optional<bool> ParseSwitch(std::string_view value) {
  for (std::string_view yes : {"true", "yes", "on", "1"})
    if (value == yes) return true;
  for (std::string_view no : {"false", "no", "off", "0"})
    if (value == no) return false;
  return std::nullopt;
}

// The one flag a line stands for, or an error text.
std::optional<std::string> LineToFlag(std::string_view key, std::string_view value, std::string& error) {
  static constexpr std::array<std::string_view, 4> kNumbers = {"size", "algorithm", "fast", "transparent"};
  static constexpr std::array<std::string_view, 3> kSwitches = {"random", "fps", "desktop-picture"};
  for (std::string_view number : kNumbers)
    if (key == number) return "--" + std::string(key) + "=" + std::string(value);
  for (std::string_view name : kSwitches) {
    if (key != name) continue;
    const std::optional<bool> on = ParseSwitch(value);
    if (!on) {
      error = "'" + std::string(value) + "' is not true or false";
      return std::nullopt;
    }
    if (key == "fps") return *on ? "--fps" : "";
    return (*on ? "--" : "--no-") + std::string(key);
  }
  error = "unknown setting '" + std::string(key) + "'";
  return std::nullopt;
}

// A warning goes to a terminal: no control bytes of the file in it, and no endless line.
std::string Printable(std::string text) {
  constexpr size_t kMaxLength = 200;
  if (text.size() > kMaxLength) text = text.substr(0, kMaxLength) + "...";
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return text;
}

}  // namespace

LinuxOptions ApplyConfigText(std::string_view text, std::string_view file_name, LinuxOptions options,
                             std::string& warnings, LinuxProgram program) {
  size_t line_number = 0;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    const std::string_view line = Trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++line_number;
    if (line.empty() || line[0] == '#') continue;

    std::string error;
    const size_t equals = line.find('=');
    std::optional<std::string> flag;
    if (equals == std::string_view::npos) {
      error = "expected 'key = value'";
    } else {
      flag = LineToFlag(Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)), error);
    }
    // On X11 XScreenSaver's grabDesktopImages decides about pictures of the desktop.
    if (flag && program == LinuxProgram::kX11Hack && flag->ends_with("-desktop-picture")) continue;
    if (flag && flag->empty()) {  // a switch turned off that is off unless asked for
      options.settings.show_fps = false;
      continue;
    }
    if (flag) {
      const char* argv[] = {ProgramName(program), flag->c_str()};
      LinuxOptionsResult parsed = ParseLinuxOptions(2, argv, program, options);
      if (!parsed.exit_code) {
        options = parsed.options;
        continue;
      }
      // The parser's message without the program's name and the usage after it.
      const std::string& message = parsed.error;
      const size_t start = message.find(": ");
      error = message.substr(start == std::string::npos ? 0 : start + 2);
      error = error.substr(0, error.find('\n'));
    }
    warnings += std::string(ProgramName(program)) + ": " + std::string(file_name) + ":" + std::to_string(line_number) +
                ": " + Printable(error) + "; line skipped\n";
  }
  return options;
}

std::string ConfigFilePath(const char* xdg_config_home, const char* home) {
  if (xdg_config_home && xdg_config_home[0] == '/') return std::string(xdg_config_home) + "/ambervale/ambervale.conf";
  if (home && home[0] == '/') return std::string(home) + "/.config/ambervale/ambervale.conf";
  return {};
}

LinuxOptionsResult ReadLinuxOptions(int argc, const char* const* argv, LinuxProgram program,
                                    const std::string& config_path) {
  LinuxOptions options;
  std::string warnings;
  if (!config_path.empty()) {
    std::ifstream file(config_path, std::ios::binary);
    if (file) {
      std::string text(kMaxConfigBytes + 1, '\0');
      file.read(text.data(), kMaxConfigBytes + 1);
      text.resize(static_cast<size_t>(file.gcount()));
      if (file.bad()) {
        warnings += std::string(ProgramName(program)) + ": cannot read " + config_path + "; using the defaults\n";
      } else if (text.size() > static_cast<size_t>(kMaxConfigBytes)) {
        warnings +=
            std::string(ProgramName(program)) + ": " + config_path + " is larger than 64 KiB; using the defaults\n";
      } else {
        options = ApplyConfigText(text, config_path, options, warnings, program);
      }
    }
  }
  LinuxOptionsResult result = ParseLinuxOptions(argc, argv, program, options);
  result.error = warnings + result.error;
  return result;
}

}  // namespace ambervale
