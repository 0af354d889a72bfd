// The seven settings of a saver, as a value, and the one table that says everything else about
// them: their ranges, first-run defaults, registry value names and command-line option names.
// The settings store, the settings dialog and the Linux programs' options all read this table.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "engine/algorithms.h"

namespace ambervale {

// Zero until loaded: the first-run values are DefaultSettings(), from the table below.
struct Settings {
  uint8_t size = 0;               // the grid has 30 - size columns
  uint8_t algorithm = 0;          // the layout; a random pick overwrites it each cycle
  uint8_t opacity = 0;            // a leaf's opacity, in steps of 10 out of 255 (stored as Transparent)
  uint8_t fast = 0;               // a tick every 102 - 2 x fast milliseconds
  uint8_t color = 0;              // stored and kept, never shown
  bool exit_on_input = false;     // any key or a quick mouse movement ends the run
  bool random_algorithm = false;  // a random layout (0..9) at the start of every cycle

  friend bool operator==(const Settings&, const Settings&) = default;
};

enum class SettingId { kSize, kAlgorithm, kOpacity, kFast, kColor, kExitOnInput, kRandomAlgorithm };

struct SettingSpec {
  SettingId id;
  std::string_view label;  // how the settings dialog and the documentation name it
  int32_t min;
  int32_t max;
  int32_t default_value;
  std::string_view registry_value;  // the REG_DWORD's name under the settings key
  std::string_view option;          // the Linux programs' option (--size ...); empty: none
  bool is_flag;                     // a check box (0 or 1) rather than a number
};

// In the order the store reads and writes them.
inline constexpr std::array<SettingSpec, 7> kSettingSpecs{{
    {SettingId::kSize, "Size", 0, 20, 12, "Size", "size", false},
    {SettingId::kAlgorithm, "Algorithm", 0, kAlgorithmCount - 1, 10, "Algorithm", "algorithm", false},
    {SettingId::kOpacity, "Transparent", 1, 10, 8, "Transparent", "transparent", false},
    {SettingId::kFast, "Fast", 0, 50, 33, "Fast", "fast", false},
    {SettingId::kColor, "Color", 0, 255, 3, "Color_s", "", false},
    {SettingId::kExitOnInput, "Exit - Mouse / Key Esc", 0, 1, 1, "Key_Exit", "", true},
    {SettingId::kRandomAlgorithm, "Random algorithm", 0, 1, 1, "Rands_Algorithm", "random", true},
}};

constexpr const SettingSpec& SpecOf(SettingId id) { return kSettingSpecs[static_cast<size_t>(id)]; }

// A setting's value as an integer, and setting it (a number keeps its low 8 bits, as the
// store has always kept them; a flag is any non-zero value).
int32_t ValueOf(const Settings& settings, SettingId id);
void SetValue(Settings& settings, SettingId id, int32_t value);

// The first-run settings, from the table.
Settings DefaultSettings();

// A value pulled into its setting's range.
int32_t ClampToRange(SettingId id, int64_t value);

}  // namespace ambervale
