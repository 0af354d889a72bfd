#include "linux/linux_options.h"

#include <algorithm>
#include <charconv>
#include <string_view>
#include <utility>

namespace ambervale {
namespace {

// The settings' lines of the usage, in their order there; ranges, defaults and option names
// come from the settings table.
struct SettingHelp {
  SettingId id;
  std::string_view text;
};
constexpr SettingHelp kSettingHelp[] = {
    {SettingId::kSize, "leaf size: 30 - size columns"},
    {SettingId::kAlgorithm, "the layout"},
    {SettingId::kRandomAlgorithm, "each cycle picks its layout at random"},
    {SettingId::kFast, "the pace: the higher, the faster the leaves fade in"},
    {SettingId::kOpacity, "the leaves' opacity"},
};

std::string UsageLine(std::string flags, std::string_view text) {
  flags.resize(std::max<size_t>(flags.size(), 21), ' ');
  return "  " + flags + " " + std::string(text) + "\n";
}

std::string SettingUsage(const SettingHelp& help) {
  const SettingSpec& spec = SpecOf(help.id);
  const std::string option = "--" + std::string(spec.option);
  if (spec.is_flag) {
    return UsageLine(option + ", --no-" + std::string(spec.option),
                     std::string(help.text) + (spec.default_value ? " (on)" : " (off)"));
  }
  return UsageLine(option + " " + std::to_string(spec.min) + ".." + std::to_string(spec.max),
                   std::string(help.text) + " (" + std::to_string(spec.default_value) + ")");
}

std::string SettingLines() {
  std::string lines;
  for (const SettingHelp& help : kSettingHelp) lines += SettingUsage(help);
  return lines;
}

// The setting an option names; a flag is set by --NAME and cleared by --no-NAME.
struct SettingOption {
  const SettingSpec& spec;
  bool on;
};

std::optional<SettingOption> FindSettingOption(std::string_view name) {
  for (const SettingSpec& spec : kSettingSpecs) {
    if (spec.option.empty()) continue;
    if (name == spec.option) return SettingOption{spec, true};
    if (spec.is_flag && name.substr(0, 3) == "no-" && name.substr(3) == spec.option) return SettingOption{spec, false};
  }
  return std::nullopt;
}

std::optional<int32_t> ParseDimension(std::string_view text) {
  std::optional<int64_t> value = ParseWholeNumber(text);
  if (!value || *value < -(int64_t{1} << 30) || *value > (int64_t{1} << 30)) return std::nullopt;
  return static_cast<int32_t>(*value);
}

// WIDTHxHEIGHT[{+-}X{+-}Y], as X geometry strings go; the size is required here.
std::optional<WindowGeometry> ParseGeometry(std::string_view text) {
  const size_t x_mark = text.find_first_of("xX");
  if (x_mark == std::string_view::npos) return std::nullopt;
  const size_t offsets = text.find_first_of("+-", x_mark);
  const std::optional<int32_t> width = ParseDimension(text.substr(0, x_mark));
  const std::optional<int32_t> height = ParseDimension(text.substr(x_mark + 1, offsets - (x_mark + 1)));
  if (!width || !height || *width < 1 || *height < 1 || *width > 32767 || *height > 32767) return std::nullopt;
  WindowGeometry geometry{*width, *height, 0, 0, false};
  if (offsets == std::string_view::npos) return geometry;
  const std::string_view rest = text.substr(offsets);
  const size_t second = rest.find_first_of("+-", 1);
  if (second == std::string_view::npos) return std::nullopt;
  const std::optional<int32_t> x = ParseDimension(rest.substr(0, second));
  const std::optional<int32_t> y = ParseDimension(rest.substr(second));
  if (!x || !y || rest.substr(second + 1).find_first_of("+-") != std::string_view::npos) return std::nullopt;
  geometry.x = *x;
  geometry.y = *y;
  geometry.has_position = true;
  return geometry;
}

// The flag without its one or two leading dashes (and with any "=value"); nothing for an argument
// that is no flag.
std::optional<std::string_view> FlagName(std::string_view argument) {
  if (argument.substr(0, 2) == "--") return argument.substr(2);
  if (argument.substr(0, 1) == "-") return argument.substr(1);
  return std::nullopt;
}

class Parser {
 public:
  Parser(int argc, const char* const* argv, LinuxProgram program, const LinuxOptions& start)
      : argc_(argc), argv_(argv), program_(program) {
    result_.options = start;
  }

  LinuxOptionsResult Run() {
    for (index_ = 1; index_ < argc_ && !result_.exit_code; ++index_) {
      const char* raw = argv_[index_];
      Flag(raw ? std::string_view(raw) : std::string_view());
    }
    return std::move(result_);
  }

 private:
  void Flag(std::string_view argument) {
    const std::optional<std::string_view> flag = FlagName(argument);
    if (!flag) return Fail("unexpected argument '" + std::string(argument) + "'");
    std::string_view name = *flag;
    inline_value_.reset();
    if (const size_t equals = name.find('='); equals != std::string_view::npos) {
      inline_value_ = name.substr(equals + 1);
      name = name.substr(0, equals);
    }
    if (program_ == LinuxProgram::kX11Hack ? !X11Flag(argument, name) : !WaylandFlag(argument, name))
      SettingFlag(argument, name);
  }

  bool WaylandFlag(std::string_view argument, std::string_view name) {
    if (name == "idle") {
      IdleSeconds(argument);
      return true;
    }
    if (name == "lock-on-end" || name == "no-lock-on-end") {
      if (TakesNoValue(name)) result_.options.settings.lock_on_end = name == "lock-on-end";
      return true;
    }
    if (name != "desktop-picture" && name != "no-desktop-picture") return false;
    if (TakesNoValue(name)) result_.options.settings.desktop_picture = name == "desktop-picture";
    return true;
  }

  // Not clamped like a setting: a wrong idle time would blank the screen at a wrong moment.
  void IdleSeconds(std::string_view flag) {
    const std::optional<std::string> text = Value(flag);
    if (!text) return;
    const std::optional<int64_t> value = ParseWholeNumber(*text);
    if (!value || *value < 1 || *value > kMaxIdleSeconds)
      return Fail("'" + *text + "' is not a number of seconds from 1 to " + std::to_string(kMaxIdleSeconds));
    result_.options.idle_seconds = static_cast<int32_t>(*value);
  }

  // True when `name` was one of the flags that say where to draw.
  bool X11Flag(std::string_view argument, std::string_view name) {
    LinuxOptions& o = result_.options;
    if (name == "root" || name == "window" || name == "fullscreen") {
      if (!TakesNoValue(name)) return true;
      o.target = name == "root" ? WindowTarget::kRoot : WindowTarget::kOwnWindow;
      o.fullscreen = name == "fullscreen";
    } else if (name == "window-id") {
      if (const std::optional<std::string> text = Value(argument)) {
        const std::optional<uint64_t> id = ParseWindowId(*text);
        if (!id) {
          Fail("'" + *text + "' is not a window id (decimal or 0x hex)");
        } else {
          o.target = WindowTarget::kWindowId;
          o.window_id = *id;
        }
      }
    } else if (name == "geometry") {
      if (const std::optional<std::string> text = Value(argument)) {
        const std::optional<WindowGeometry> geometry = ParseGeometry(*text);
        if (!geometry) {
          Fail("'" + *text + "' is not a geometry (WIDTHxHEIGHT[+X+Y])");
        } else {
          o.geometry = *geometry;
        }
      }
    } else if (name == "display") {
      if (const std::optional<std::string> text = Value(argument)) o.display = *text;
    } else {
      return false;
    }
    return true;
  }

  void SettingFlag(std::string_view argument, std::string_view name) {
    LinuxSettings& s = result_.options.settings;
    if (name == "help" || name == "h") {
      result_.output = LinuxUsage(program_);
      result_.exit_code = 0;
    } else if (const std::optional<SettingOption> setting = FindSettingOption(name)) {
      if (!setting->spec.is_flag) return Number(argument, setting->spec.id);
      if (TakesNoValue(name)) Set(setting->spec.id, setting->on ? 1 : 0);
    } else if (name == "fps") {
      if (TakesNoValue(name)) result_.given.show_fps = s.show_fps = true;
    } else {
      Fail("unknown option '" + std::string(argument) + "'");
    }
  }

  // The flag's value, or nothing (after a failure) when it has none.
  std::optional<std::string> Value(std::string_view flag) {
    if (inline_value_) return std::string(*inline_value_);
    if (index_ + 1 >= argc_ || argv_[index_ + 1] == nullptr) {
      Fail("option '" + std::string(flag) + "' needs a value");
      return std::nullopt;
    }
    return std::string(argv_[++index_]);
  }

  void Number(std::string_view flag, SettingId id) {
    const std::optional<std::string> text = Value(flag);
    if (!text) return;
    const std::optional<int64_t> value = ParseWholeNumber(*text);
    if (!value) return Fail("'" + *text + "' is not a whole number (" + std::string(flag) + ")");
    Set(id, ClampToRange(id, *value));
  }

  void Set(SettingId id, int32_t value) {
    SetValue(result_.options.settings, id, value);
    result_.given.settings[static_cast<size_t>(id)] = true;
  }

  // False (after a failure) when a flag that takes no value was given one.
  bool TakesNoValue(std::string_view name) {
    if (inline_value_) Fail("option '--" + std::string(name) + "' takes no value");
    return !inline_value_;
  }

  void Fail(const std::string& message) {
    result_.error = std::string(ProgramName(program_)) + ": " + message + "\n" + LinuxUsage(program_);
    result_.exit_code = 2;
  }

  int argc_;
  const char* const* argv_;
  LinuxProgram program_;
  int index_ = 1;
  std::optional<std::string_view> inline_value_;
  LinuxOptionsResult result_;
};

}  // namespace

std::optional<int64_t> ParseWholeNumber(std::string_view text) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) return std::nullopt;
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    if (value < (int64_t{1} << 40)) value = value * 10 + (text[i] - '0');
  }
  return negative ? -value : value;
}

std::vector<std::string> WithoutIdleOption(int argc, const char* const* argv) {
  std::vector<std::string> kept;
  for (int i = 0; i < argc; ++i) {
    const std::string_view argument = argv[i] ? argv[i] : "";
    const std::optional<std::string_view> name = i > 0 ? FlagName(argument) : std::nullopt;
    if (name && (*name == "idle" || name->substr(0, 5) == "idle=")) {
      if (*name == "idle") ++i;  // its value is the next argument
      continue;
    }
    kept.emplace_back(argument);
  }
  return kept;
}

std::optional<uint64_t> ParseWindowId(const std::string& text) {
  std::string_view digits = text;
  int base = 10;
  if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
    digits.remove_prefix(2);
    base = 16;
  }
  uint64_t value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  if (value == 0 || value > 0xFFFFFFFFu) return std::nullopt;
  return value;
}

LinuxSettings::LinuxSettings() : Settings(DefaultSettings()) {}

const char* ProgramName(LinuxProgram program) {
  return program == LinuxProgram::kX11Hack ? "ambervale" : "ambervale-wayland";
}

std::string LinuxUsage(LinuxProgram program) {
  const std::string where =
      program == LinuxProgram::kX11Hack
          ? "  --root                draw on the screensaver's window (XSCREENSAVER_WINDOW), else the root\n"
            "  --window              draw in a window of its own (the default); q or Esc ends it\n"
            "  --fullscreen          a window of its own over the whole screen; a key or a click ends it\n"
            "  --window-id ID        draw in an existing window (decimal or 0x hex)\n"
            "  --geometry WxH[+X+Y]  size of the own window (1280x720)\n"
            "  --display NAME        the X display\n"
          : "  --desktop-picture     leaves over the desktop, from the first source it offers (the default)\n"
            "  --no-desktop-picture  leaves over a plain background\n"
            "  --lock-on-end         a key or motion locks the session; the saver ends once the lock is up\n"
            "  --no-lock-on-end      a key or motion ends the saver (the default)\n"
            "  --idle SECONDS        stay resident: the saver after SECONDS without input, again and again\n"
            "  Defaults come from $XDG_CONFIG_HOME/ambervale/ambervale.conf: `key = value` lines,\n"
            "  the keys the long option names, switches true or false.\n";
  return "usage: " + std::string(ProgramName(program)) + " [options]\n" + where + SettingLines() +
         std::string(
             program == LinuxProgram::kX11Hack
                 ? "  --fps                 show ticks per second and the tick interval\n"
                 : "  --fps                 at the end, the ticks, their mean interval and the presents on stderr\n") +
         "  --help                this text\n";
}

LinuxOptionsResult ParseLinuxOptions(int argc, const char* const* argv, LinuxProgram program,
                                     const LinuxOptions& start) {
  if (argv == nullptr || argc < 1) return LinuxOptionsResult{start};
  return Parser(argc, argv, program, start).Run();
}

}  // namespace ambervale
