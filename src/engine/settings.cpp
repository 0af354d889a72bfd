#include "engine/settings.h"

#include <algorithm>

namespace ambervale {

int32_t ValueOf(const Settings& settings, SettingId id) {
  switch (id) {
    case SettingId::kSize: return settings.size;
    case SettingId::kAlgorithm: return settings.algorithm;
    case SettingId::kOpacity: return settings.opacity;
    case SettingId::kFast: return settings.fast;
    case SettingId::kColor: return settings.color;
    case SettingId::kExitOnInput: return settings.exit_on_input ? 1 : 0;
    case SettingId::kRandomAlgorithm: return settings.random_algorithm ? 1 : 0;
  }
  return 0;
}

void SetValue(Settings& settings, SettingId id, int32_t value) {
  const auto low_byte = static_cast<uint8_t>(static_cast<uint32_t>(value) & 0xFFu);
  switch (id) {
    case SettingId::kSize: settings.size = low_byte; break;
    case SettingId::kAlgorithm: settings.algorithm = low_byte; break;
    case SettingId::kOpacity: settings.opacity = low_byte; break;
    case SettingId::kFast: settings.fast = low_byte; break;
    case SettingId::kColor: settings.color = low_byte; break;
    case SettingId::kExitOnInput: settings.exit_on_input = value != 0; break;
    case SettingId::kRandomAlgorithm: settings.random_algorithm = value != 0; break;
  }
}

Settings DefaultSettings() {
  Settings settings;
  for (const SettingSpec& spec : kSettingSpecs) SetValue(settings, spec.id, spec.default_value);
  return settings;
}

int32_t ClampToRange(SettingId id, int64_t value) {
  const SettingSpec& spec = SpecOf(id);
  return static_cast<int32_t>(std::clamp<int64_t>(value, spec.min, spec.max));
}

}  // namespace ambervale
