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
void SaveOn(TRegistry& registry, const SaverState& state, SaveKeyFailure on_key_failure) {
  if (!registry.OpenKey(kSettingsKey, /*can_create=*/true)) {
    if (on_key_failure == SaveKeyFailure::kRaise) {
      throw ERegistryException(Format(kOpenForWriteFailed, kSettingsKeyDisplayName));
    }
    return;
  }
  registry.WriteInteger(kSizeValue, state.Size);
  registry.WriteInteger(kAlgorithmValue, state.Algorithm);
  registry.WriteInteger(kTransparentValue, state.Transparent);
  registry.WriteInteger(kFastValue, state.Fast);
  registry.WriteInteger(kColorValue, state.Color_s);
  registry.WriteBool(kKeyExitValue, state.Key_Exit);
  registry.WriteBool(kRandomAlgorithmValue, state.Rands_Algorithm);
  registry.CloseKey();
}

bool AllNumericZero(const SaverState& state) {
  return state.Fast == 0 && state.Size == 0 && state.Transparent == 0 && state.Algorithm == 0 &&
         state.Color_s == 0;
}

void ApplyDefaults(SaverState& state) {
  state.Fast = kDefaultFast;
  state.Size = kDefaultSize;
  state.Transparent = kDefaultTransparent;
  state.Algorithm = kDefaultAlgorithm;
  state.Color_s = kDefaultColor;
  state.Key_Exit = kDefaultKeyExit;
  state.Rands_Algorithm = kDefaultRandomAlgorithm;
}

}  // namespace

bool TRegistry::OpenKey(std::string_view key, bool can_create) {
  CloseKey();
  if (!key.empty() && key.front() == '\\') key.remove_prefix(1);
  const std::string path(key);
  current_ = can_create ? root_.CreateKey(path) : root_.OpenKey(path);
  return current_ != nullptr;
}

RegistryKey& TRegistry::Current(const std::string& name, const char* failure_pattern) {
  // With no key open there is nothing to read from or write to: the same failure as a value
  // that cannot be reached.
  if (!current_) throw ERegistryException(Format(failure_pattern, name.c_str()));
  return *current_;
}

int32_t TRegistry::ReadInteger(const std::string& name) {
  RegistryKey& key = Current(name, kGetDataFailed);
  // Zeroed, so that a REG_DWORD stored with fewer than four bytes reads as its bytes
  // zero-extended rather than as whatever the buffer held.
  DwordBuffer data{};
  uint32_t type = kRegNone;
  if (!key.QueryValue(name, data, type))
    throw ERegistryException(Format(kGetDataFailed, name.c_str()));
  if (type != kRegDword) throw ERegistryException(Format(kInvalidType, name.c_str()));
  const uint32_t bits = static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
                        static_cast<uint32_t>(data[2]) << 16 | static_cast<uint32_t>(data[3]) << 24;
  return static_cast<int32_t>(bits);
}

void TRegistry::WriteInteger(const std::string& name, int32_t value) {
  RegistryKey& key = Current(name, kSetDataFailed);
  if (!key.SetDword(name, static_cast<uint32_t>(value))) {
    throw ERegistryException(Format(kSetDataFailed, name.c_str()));
  }
}

void LoadSettings(SaverState& state, RegistryRoot& root) {
  TRegistry registry(root);
  if (registry.OpenKey(kSettingsKey, /*can_create=*/false)) {
    // Each field is stored as soon as it is read, so an error part-way keeps the earlier ones.
    state.Size = LowByte(registry.ReadInteger(kSizeValue));
    state.Algorithm = LowByte(registry.ReadInteger(kAlgorithmValue));
    state.Transparent = LowByte(registry.ReadInteger(kTransparentValue));
    state.Fast = LowByte(registry.ReadInteger(kFastValue));
    state.Color_s = LowByte(registry.ReadInteger(kColorValue));
    state.Key_Exit = registry.ReadBool(kKeyExitValue);
    state.Rands_Algorithm = registry.ReadBool(kRandomAlgorithmValue);
    registry.CloseKey();
  }
  if (AllNumericZero(state)) {
    ApplyDefaults(state);
    SaveOn(registry, state, SaveKeyFailure::kIgnore);
  }
}

void SaveSettings(const SaverState& state, RegistryRoot& root, SaveKeyFailure on_key_failure) {
  TRegistry registry(root);
  SaveOn(registry, state, on_key_failure);
}

}  // namespace ambervale
