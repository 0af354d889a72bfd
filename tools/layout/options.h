// Command line of ambervale-layout.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ambervale {

inline constexpr int32_t kMaxSurfaceExtent = 100000;
inline constexpr int32_t kMaxCycles = 1000000;

struct LayoutToolOptions {
  enum class Rule { kFullScreen, kPreview };
  Rule rule = Rule::kFullScreen;
  int32_t width = 0;
  int32_t height = 0;
  uint8_t size = 12;
  std::optional<uint8_t> dialog_size;
  uint8_t algorithm = 0;
  uint32_t seed = 0;
  int32_t simulate_cycles = 0;  // 0: print the layout instead
  bool random_algorithm = false;
  bool help = false;
};

// Parses the arguments after the program name. On failure returns nothing and sets `error`
// to a one-line message.
std::optional<LayoutToolOptions> ParseLayoutToolOptions(const std::vector<std::string>& args, std::string& error);

extern const char kLayoutToolUsage[];

}  // namespace ambervale
