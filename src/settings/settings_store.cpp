#include "settings/settings_store.h"

#include <algorithm>

#include "base/errors.h"

namespace ambervale {

namespace {

constexpr char kGetDataFailed[] = "Failed to get data for '%s'";
constexpr char kInvalidType[] = "Invalid data type for '%s'";
constexpr char kSetDataFailed[] = "Failed to set data for '%s'";
constexpr char kOpenForWriteFailed[] = "Failed to open key '%s' for writing";

// Writes the seven values in their fixed order on an accessor that may already be in use
// (the first-run defaults are written on the accessor of the load).
void SaveOn(RegistryAccess& registry, const SaverState& state, SaveKeyFailure on_key_failure) {
  if (!registry.OpenKey(kSettingsKey, /*can_create=*/true)) {
    if (on_key_failure == SaveKeyFailure::kRaise) {
      throw RegistryError(Format(kOpenForWriteFailed, kSettingsKeyDisplayName));
    }
    return;
  }
  for (const SettingSpec& spec : kSettingSpecs) {
    registry.WriteInteger(std::string(spec.registry_value), ValueOf(state.settings, spec.id));
  }
  registry.CloseKey();
}

// A first run, or a key whose numbers were all wiped: the flags do not count.
bool AllNumericZero(const Settings& settings) {
  return std::all_of(kSettingSpecs.begin(), kSettingSpecs.end(), [&](const SettingSpec& spec) {
    return spec.is_flag || ValueOf(settings, spec.id) == 0;
  });
}

}  // namespace

bool RegistryAccess::OpenKey(std::string_view key, bool can_create) {
  CloseKey();
  if (!key.empty() && key.front() == '\\') key.remove_prefix(1);
  const std::string path(key);
  current_ = can_create ? root_.CreateKey(path) : root_.OpenKey(path);
  return current_ != nullptr;
}

RegistryKey& RegistryAccess::Current(const std::string& name, const char* failure_pattern) {
  // With no key open there is nothing to read from or write to: the same failure as a value
  // that cannot be reached.
  if (!current_) throw RegistryError(Format(failure_pattern, name.c_str()));
  return *current_;
}

int32_t RegistryAccess::ReadInteger(const std::string& name) {
  RegistryKey& key = Current(name, kGetDataFailed);
  // Zeroed, so that a REG_DWORD stored with fewer than four bytes reads as its bytes
  // zero-extended rather than as whatever the buffer held.
  DwordBuffer data{};
  uint32_t type = kRegNone;
  if (!key.QueryValue(name, data, type))
    throw RegistryError(Format(kGetDataFailed, name.c_str()));
  if (type != kRegDword) throw RegistryError(Format(kInvalidType, name.c_str()));
  const uint32_t bits = static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
                        static_cast<uint32_t>(data[2]) << 16 | static_cast<uint32_t>(data[3]) << 24;
  return static_cast<int32_t>(bits);
}

void RegistryAccess::WriteInteger(const std::string& name, int32_t value) {
  RegistryKey& key = Current(name, kSetDataFailed);
  if (!key.SetDword(name, static_cast<uint32_t>(value))) {
    throw RegistryError(Format(kSetDataFailed, name.c_str()));
  }
}

void LoadSettings(SaverState& state, RegistryRoot& root) {
  RegistryAccess registry(root);
  if (registry.OpenKey(kSettingsKey, /*can_create=*/false)) {
    // Each field is stored as soon as it is read, so an error part-way keeps the earlier ones.
    for (const SettingSpec& spec : kSettingSpecs) {
      SetValue(state.settings, spec.id, registry.ReadInteger(std::string(spec.registry_value)));
    }
    registry.CloseKey();
  }
  if (AllNumericZero(state.settings)) {
    state.settings = DefaultSettings();
    SaveOn(registry, state, SaveKeyFailure::kIgnore);
  }
}

void SaveSettings(const SaverState& state, RegistryRoot& root, SaveKeyFailure on_key_failure) {
  RegistryAccess registry(root);
  SaveOn(registry, state, on_key_failure);
}

}  // namespace ambervale
