#include "options.h"

#include <charconv>
#include <set>

#include "engine/settings.h"

namespace ambervale {

const char kLayoutToolUsage[] =
    "usage: ambervale-layout (--surface WxH [--size N] | --preview WxH) [--dialog-size N]\n"
    "                        --algorithm A [--seed S] [--simulate CYCLES [--random]]\n"
    "       ambervale-layout --batch    (one line of those arguments per layout, on stdin)\n";

namespace {

// Plain decimal digits only: no sign, no spaces, no trailing characters.
std::optional<uint64_t> ParseUnsigned(const std::string& text, uint64_t max) {
  if (text.empty() || text.size() > 20) return std::nullopt;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  uint64_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || value > max) return std::nullopt;
  return value;
}

bool ParseExtents(const std::string& text, int32_t& width, int32_t& height) {
  const size_t x = text.find_first_of("xX");
  if (x == std::string::npos) return false;
  auto w = ParseUnsigned(text.substr(0, x), kMaxSurfaceExtent);
  auto h = ParseUnsigned(text.substr(x + 1), kMaxSurfaceExtent);
  if (!w || !h || *w == 0 || *h == 0) return false;
  width = static_cast<int32_t>(*w);
  height = static_cast<int32_t>(*h);
  return true;
}

}  // namespace

std::optional<LayoutToolOptions> ParseLayoutToolOptions(const std::vector<std::string>& args, std::string& error) {
  LayoutToolOptions options;
  std::set<std::string> seen;
  bool have_surface = false;
  bool have_size = false;
  bool have_algorithm = false;

  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& flag = args[i];
    if (flag == "--help" || flag == "-h") {
      options.help = true;
      return options;
    }
    if (!seen.insert(flag).second) {
      error = flag + " given twice";
      return std::nullopt;
    }
    if (flag == "--random") {
      options.random_algorithm = true;
      continue;
    }
    const bool takes_value = flag == "--surface" || flag == "--preview" || flag == "--size" ||
                             flag == "--dialog-size" || flag == "--algorithm" || flag == "--seed" ||
                             flag == "--simulate";
    if (!takes_value) {
      error = "unknown argument '" + flag + "'";
      return std::nullopt;
    }
    if (i + 1 >= args.size()) {
      error = flag + " needs a value";
      return std::nullopt;
    }
    const std::string& value = args[++i];

    if (flag == "--surface" || flag == "--preview") {
      if (have_surface) {
        error = "give only one of --surface and --preview";
        return std::nullopt;
      }
      if (!ParseExtents(value, options.width, options.height)) {
        error = flag + " wants WxH with W and H in 1.." + std::to_string(kMaxSurfaceExtent) + ", not '" + value + "'";
        return std::nullopt;
      }
      have_surface = true;
      options.rule = flag == "--surface" ? LayoutToolOptions::Rule::kFullScreen : LayoutToolOptions::Rule::kPreview;
    } else if (flag == "--size" || flag == "--dialog-size") {
      auto size = ParseUnsigned(value, 255);
      if (!size) {
        error = flag + " wants a number 0..255, not '" + value + "'";
        return std::nullopt;
      }
      if (flag == "--size") {
        options.size = static_cast<uint8_t>(*size);
        have_size = true;
      } else {
        options.dialog_size = static_cast<uint8_t>(*size);
      }
    } else if (flag == "--algorithm") {
      const SettingSpec& layouts = SpecOf(SettingId::kAlgorithm);
      auto algorithm = ParseUnsigned(value, static_cast<uint64_t>(layouts.max));
      if (!algorithm || *algorithm < static_cast<uint64_t>(layouts.min)) {
        error = "--algorithm wants a number " + std::to_string(layouts.min) + ".." + std::to_string(layouts.max) +
                ", not '" + value + "'";
        return std::nullopt;
      }
      options.algorithm = static_cast<uint8_t>(*algorithm);
      have_algorithm = true;
    } else if (flag == "--seed") {
      auto seed = ParseUnsigned(value, UINT32_MAX);
      if (!seed) {
        error = "--seed wants a number 0..4294967295, not '" + value + "'";
        return std::nullopt;
      }
      options.seed = static_cast<uint32_t>(*seed);
    } else {  // --simulate
      auto cycles = ParseUnsigned(value, kMaxCycles);
      if (!cycles || *cycles == 0) {
        error = "--simulate wants a number of cycles 1.." + std::to_string(kMaxCycles) + ", not '" + value + "'";
        return std::nullopt;
      }
      options.simulate_cycles = static_cast<int32_t>(*cycles);
    }
  }

  if (!have_surface) {
    error = "give --surface WxH or --preview WxH";
  } else if (!have_algorithm) {
    error = "give --algorithm A";
  } else if (have_size && options.rule == LayoutToolOptions::Rule::kPreview) {
    error = "--size applies to --surface only (the preview grid has ten columns)";
  } else if (options.random_algorithm && options.simulate_cycles == 0) {
    error = "--random applies to --simulate only";
  } else {
    return options;
  }
  return std::nullopt;
}

}  // namespace ambervale
