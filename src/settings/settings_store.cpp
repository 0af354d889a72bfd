#include "settings/settings_store.h"

#include "base/errors.h"

namespace ambervale {

namespace {

constexpr char kGetDataFailed[] = "Failed to get data for '%s'";
constexpr char kInvalidType[] = "Invalid data type for '%s'";
constexpr char kSetDataFailed[] = "Failed to set data for '%s'";
constexpr char kOpenForWriteFailed[] = "Failed to open key '%s' for writing";

// A numeric setting keeps the low 8 bits of the stored integer: 256 loads as 0, -1 as 255.
uint8_t LowByte(int32_t value) {
  return static_cast<uint8_t>(static_cast<uint32_t>(value) & 0xFFu);
}

// Writes the seven values in their fixed order on an accessor that may already be in use
// (the first-run defaults are written on the accessor of the load).
void SaveOn(RegistryAccess& registry, const SaverState& state, SaveKeyFailure on_key_failure) {
  if (!registry.OpenKey(kSettingsKey, /*can_create=*/true)) {
    if (on_key_failure == SaveKeyFailure::kRaise) {
      throw RegistryError(Format(kOpenForWriteFailed, kSettingsKeyDisplayName));
    }
    return;
  }
  registry.WriteInteger(kSizeValue, state.settings.size);
  registry.WriteInteger(kAlgorithmValue, state.settings.algorithm);
  registry.WriteInteger(kTransparentValue, state.settings.transparent);
  registry.WriteInteger(kFastValue, state.settings.fast);
  registry.WriteInteger(kColorValue, state.settings.color);
  registry.WriteBool(kKeyExitValue, state.settings.exit_on_input);
  registry.WriteBool(kRandomAlgorithmValue, state.settings.random_algorithm);
  registry.CloseKey();
}

bool AllNumericZero(const SaverState& state) {
  return state.settings.fast == 0 && state.settings.size == 0 && state.settings.transparent == 0 && state.settings.algorithm == 0 &&
         state.settings.color == 0;
}

void ApplyDefaults(SaverState& state) {
  state.settings.fast = kDefaultFast;
  state.settings.size = kDefaultSize;
  state.settings.transparent = kDefaultTransparent;
  state.settings.algorithm = kDefaultAlgorithm;
  state.settings.color = kDefaultColor;
  state.settings.exit_on_input = kDefaultKeyExit;
  state.settings.random_algorithm = kDefaultRandomAlgorithm;
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
    state.settings.size = LowByte(registry.ReadInteger(kSizeValue));
    state.settings.algorithm = LowByte(registry.ReadInteger(kAlgorithmValue));
    state.settings.transparent = LowByte(registry.ReadInteger(kTransparentValue));
    state.settings.fast = LowByte(registry.ReadInteger(kFastValue));
    state.settings.color = LowByte(registry.ReadInteger(kColorValue));
    state.settings.exit_on_input = registry.ReadBool(kKeyExitValue);
    state.settings.random_algorithm = registry.ReadBool(kRandomAlgorithmValue);
    registry.CloseKey();
  }
  if (AllNumericZero(state)) {
    ApplyDefaults(state);
    SaveOn(registry, state, SaveKeyFailure::kIgnore);
  }
}

void SaveSettings(const SaverState& state, RegistryRoot& root, SaveKeyFailure on_key_failure) {
  RegistryAccess registry(root);
  SaveOn(registry, state, on_key_failure);
}

}  // namespace ambervale
