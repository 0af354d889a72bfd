#include "win32/settings/settings_store.h"

#include <algorithm>
#include <random>
#include <string>

#include "base/errors.h"

namespace ambervale {

namespace {

constexpr char kGetDataFailed[] = "Failed to get data for '%s'";
constexpr char kInvalidType[] = "Invalid data type for '%s'";
constexpr char kSetDataFailed[] = "Failed to set data for '%s'";
constexpr char kOpenForWriteFailed[] = "Failed to open key '%s' for writing";

// Writes the seven values in their fixed order into `key_path` on an accessor that may already
// be in use (the first-run defaults are written on the accessor of the load). False when the
// key could not be opened and `on_key_failure` let that pass.
bool SaveOn(RegistryAccess& registry, std::string_view key_path, const Settings& settings,
            SaveKeyFailure on_key_failure) {
  if (!registry.OpenKey(key_path, /*can_create=*/true)) {
    if (on_key_failure == SaveKeyFailure::kRaise) {
      throw RegistryError(Format(kOpenForWriteFailed, ("HKEY_CURRENT_USER" + std::string(kSettingsKey)).c_str()));
    }
    return false;
  }
  for (const SettingSpec& spec : kSettingSpecs) {
    registry.WriteInteger(std::string(spec.registry_value), ValueOf(settings, spec.id));
  }
  registry.CloseKey();
  return true;
}

// The settings key relative to the root, without its closing backslash: "Software\Ambervale".
std::string SettingsKeyPath() {
  std::string_view path(kSettingsKey);
  while (!path.empty() && path.front() == '\\') path.remove_prefix(1);
  while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  return std::string(path);
}

// A first run writes its defaults into a key of its own and then gives that key the settings
// key's name, so that a saver starting at the same moment finds either no key (and does the
// same) or all seven values, never a key still being filled.
void WriteFirstRunDefaults(RegistryAccess& registry, RegistryRoot& root, const Settings& defaults) {
  const std::string key = SettingsKeyPath();
  const std::string name = key.substr(key.rfind('\\') + 1);
  const std::string draft = key + ".first-run-" + std::to_string(std::random_device{}());
  bool drafted = false;
  try {
    drafted = SaveOn(registry, draft, defaults, SaveKeyFailure::kIgnore);
  } catch (...) {
    registry.CloseKey();
    root.DeleteKey(draft);
    throw;
  }
  if (drafted && root.RenameKey(draft, name)) return;
  if (drafted) root.DeleteKey(draft);
  // Another saver's defaults, the same as these, took the name first; or the registry cannot
  // rename, and the values go straight into the key as before.
  const bool taken = registry.OpenKey(kSettingsKey, /*can_create=*/false);
  registry.CloseKey();
  if (!taken) SaveOn(registry, kSettingsKey, defaults, SaveKeyFailure::kIgnore);
}

// A first run, or a key whose numbers were all wiped: the flags do not count.
bool AllNumericZero(const Settings& settings) {
  return std::all_of(kSettingSpecs.begin(), kSettingSpecs.end(),
                     [&](const SettingSpec& spec) { return spec.is_flag || ValueOf(settings, spec.id) == 0; });
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
  if (!key.QueryValue(name, data, type)) throw RegistryError(Format(kGetDataFailed, name.c_str()));
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

void LoadSettings(Settings& settings, RegistryRoot& root) {
  RegistryAccess registry(root);
  const bool key_exists = registry.OpenKey(kSettingsKey, /*can_create=*/false);
  if (key_exists) {
    // Each field is stored as soon as it is read, so an error part-way keeps the earlier ones.
    for (const SettingSpec& spec : kSettingSpecs) {
      SetValue(settings, spec.id, registry.ReadInteger(std::string(spec.registry_value)));
    }
    registry.CloseKey();
  }
  if (AllNumericZero(settings)) {
    settings = DefaultSettings();
    if (key_exists) {
      SaveOn(registry, kSettingsKey, settings, SaveKeyFailure::kIgnore);
    } else {
      WriteFirstRunDefaults(registry, root, settings);
    }
  }
}

void SaveSettings(const Settings& settings, RegistryRoot& root, SaveKeyFailure on_key_failure) {
  RegistryAccess registry(root);
  SaveOn(registry, kSettingsKey, settings, on_key_failure);
}

}  // namespace ambervale
