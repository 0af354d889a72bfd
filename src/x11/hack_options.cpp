#include "x11/hack_options.h"

#include <charconv>
#include <string_view>
#include <utility>

#include "settings/settings_dialog_logic.h"

namespace ambervale {
namespace {

// A whole decimal integer with an optional sign; out-of-range magnitudes saturate, since
// the value is clamped to a slider's range anyway.
std::optional<int64_t> ParseInteger(std::string_view text) {
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

std::optional<int32_t> ParseDimension(std::string_view text) {
  std::optional<int64_t> value = ParseInteger(text);
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

class Parser {
 public:
  Parser(int argc, const char* const* argv, HackFlagSet flags, const HackOptions& start)
      : argc_(argc), argv_(argv), flags_(flags) {
    result_.options = start;
  }

  HackOptionsResult Run() {
    for (index_ = 1; index_ < argc_ && !result_.exit_code; ++index_) {
      const char* raw = argv_[index_];
      Flag(raw ? std::string_view(raw) : std::string_view());
    }
    return std::move(result_);
  }

 private:
  void Flag(std::string_view argument) {
    std::string_view name = argument;
    if (name.substr(0, 2) == "--") {
      name.remove_prefix(2);
    } else if (name.substr(0, 1) == "-") {
      name.remove_prefix(1);
    } else {
      return Fail("unexpected argument '" + std::string(argument) + "'");
    }
    inline_value_.reset();
    if (const size_t equals = name.find('='); equals != std::string_view::npos) {
      inline_value_ = name.substr(equals + 1);
      name = name.substr(0, equals);
    }
    if (flags_ == HackFlagSet::kX11 ? !X11Flag(argument, name) : !WaylandFlag(argument, name)) SettingFlag(argument, name);
  }

  bool WaylandFlag(std::string_view argument, std::string_view name) {
    if (name != "desktop-picture" && name != "no-desktop-picture") return false;
    if (inline_value_) Fail("option '" + std::string(argument) + "' takes no value");
    result_.options.desktop_picture = name == "desktop-picture";
    return true;
  }

  // True when `name` was one of the flags that say where to draw.
  bool X11Flag(std::string_view argument, std::string_view name) {
    HackOptions& o = result_.options;
    if (name == "root" || name == "window") {
      if (inline_value_) Fail("option '--" + std::string(name) + "' takes no value");
      else o.target = name == "root" ? HackTarget::kRoot : HackTarget::kOwnWindow;
    } else if (name == "window-id") {
      if (const std::optional<std::string> text = Value(argument)) {
        const std::optional<uint64_t> id = ParseWindowId(*text);
        if (!id) Fail("'" + *text + "' is not a window id (decimal or 0x hex)");
        else o.target = HackTarget::kWindowId, o.window_id = *id;
      }
    } else if (name == "geometry") {
      if (const std::optional<std::string> text = Value(argument)) {
        const std::optional<WindowGeometry> geometry = ParseGeometry(*text);
        if (!geometry) Fail("'" + *text + "' is not a geometry (WIDTHxHEIGHT[+X+Y])");
        else o.geometry = *geometry;
      }
    } else if (name == "display") {
      if (const std::optional<std::string> text = Value(argument)) o.display = *text;
    } else {
      return false;
    }
    return true;
  }

  void SettingFlag(std::string_view argument, std::string_view name) {
    HackSettings& s = result_.options.settings;
    if (name == "help" || name == "h") {
      result_.output = HackUsage(flags_);
      result_.exit_code = 0;
    } else if (name == "size") {
      Slider(argument, DialogSlider::Size, s.size);
    } else if (name == "algorithm") {
      Slider(argument, DialogSlider::Algorithm, s.algorithm);
    } else if (name == "fast") {
      Slider(argument, DialogSlider::Fast, s.fast);
    } else if (name == "transparent") {
      Slider(argument, DialogSlider::Transparent, s.transparent);
    } else if (name == "random" || name == "no-random" || name == "fps") {
      if (inline_value_) return Fail("option '--" + std::string(name) + "' takes no value");
      if (name == "random") s.random_algorithm = true;
      if (name == "no-random") s.random_algorithm = false;
      if (name == "fps") s.show_fps = true;
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

  void Slider(std::string_view flag, DialogSlider slider, uint8_t& field) {
    const std::optional<std::string> text = Value(flag);
    if (!text) return;
    const std::optional<int64_t> value = ParseInteger(*text);
    if (!value) return Fail("'" + *text + "' is not a whole number (" + std::string(flag) + ")");
    field = static_cast<uint8_t>(ClampToSlider(slider, *value));
  }

  void Fail(const std::string& message) {
    result_.error = std::string(HackProgramName(flags_)) + ": " + message + "\n" + HackUsage(flags_);
    result_.exit_code = 2;
  }

  int argc_;
  const char* const* argv_;
  HackFlagSet flags_;
  int index_ = 1;
  std::optional<std::string_view> inline_value_;
  HackOptionsResult result_;
};

}  // namespace

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

const char* HackProgramName(HackFlagSet flags) {
  return flags == HackFlagSet::kX11 ? "ambervale" : "ambervale-wayland";
}

std::string HackUsage(HackFlagSet flags) {
  const std::string where =
      flags == HackFlagSet::kX11
          ? "  --root                draw on the screensaver's window (XSCREENSAVER_WINDOW), else the root\n"
            "  --window              draw in a window of its own (the default); q or Esc ends it\n"
            "  --window-id ID        draw in an existing window (decimal or 0x hex)\n"
            "  --geometry WxH[+X+Y]  size of the own window (1280x720)\n"
            "  --display NAME        the X display\n"
          : "  --desktop-picture     leaves over a picture of the desktop, where the compositor gives one\n"
            "  --no-desktop-picture  leaves over a plain background (the default)\n"
            "  Defaults come from $XDG_CONFIG_HOME/ambervale/ambervale.conf: `key = value` lines,\n"
            "  the keys the long option names, switches true or false.\n";
  return "usage: " + std::string(HackProgramName(flags)) + " [options]\n" + where +
         "  --size 0..20          leaf size: 30 - size columns (12)\n"
         "  --algorithm 0..12     the layout (10)\n"
         "  --random, --no-random each cycle picks its layout at random (on)\n"
         "  --fast 0..50          a tick every 102 - 2 x fast ms (33)\n"
         "  --transparent 1..10   the leaves' opacity (8)\n" +
         std::string(flags == HackFlagSet::kX11 ? "  --fps                 show frames per second and the tick interval\n"
                                                : "  --fps                 at the end, the ticks and their mean interval on stderr\n") +
         "  --help                this text\n";
}

HackOptionsResult ParseHackOptions(int argc, const char* const* argv, HackFlagSet flags, const HackOptions& start) {
  if (argv == nullptr || argc < 1) return HackOptionsResult{start};
  return Parser(argc, argv, flags, start).Run();
}

}  // namespace ambervale
