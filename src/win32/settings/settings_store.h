// The settings store: the seven settings persist as REG_DWORD values in one key
// of the current user's registry, under the names, in the order and with the first-run values
// of kSettingSpecs. The store keeps nothing between calls.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/settings.h"
#include "win32/settings/registry_key.h"

namespace ambervale {

// The settings key as the program names it: the leading backslash makes it absolute, so the
// sub-key opened under the root is "Software\Ambervale\" (trailing backslash included).
inline constexpr char kSettingsKey[] = "\\Software\\Ambervale\\";

// What a save does when the key cannot be opened (or created) for writing.
enum class SaveKeyFailure {
  kRaise,   // RegistryError "Failed to open key '...' for writing": an explicit save
  kIgnore,  // write nothing, say nothing: the first-run defaults
};

// Reads the seven settings into `settings`, opening the key for reading only (a key the user may
// only read loads as any other). A missing key is a first run; so is a key whose five numeric
// settings all read as 0: the defaults are then set and written back, silently if the key
// cannot be written. A first run's key appears with all seven values at once. A value of an existing
// key that is missing, not a REG_DWORD or longer than four bytes raises RegistryError;
// the fields read before it keep what was read, and nothing is written.
void LoadSettings(Settings& settings, RegistryRoot& root);

// Writes the seven settings, creating the key when it is missing. A value that cannot be
// written raises RegistryError "Failed to set data for '<name>'" (the values before it
// are written). A key that cannot be opened raises by default: the settings dialog's save must
// not report success when nothing was written.
void SaveSettings(const Settings& settings, RegistryRoot& root, SaveKeyFailure on_key_failure = SaveKeyFailure::kRaise);

// The registry accessor: holds at most one open key, for one operation, and closes it when
// the key is changed, closed or the accessor goes, whether the operation ends normally or by
// an exception.
class RegistryAccess {
 public:
  explicit RegistryAccess(RegistryRoot& root) : root_(root) {}
  ~RegistryAccess() { CloseKey(); }
  RegistryAccess(const RegistryAccess&) = delete;
  RegistryAccess& operator=(const RegistryAccess&) = delete;

  // Opens `key` (closing any key held): with full access, creating it, when `can_create`;
  // for reading only otherwise.
  // A leading backslash is the absolute form; every path is taken from the root.
  bool OpenKey(std::string_view key, bool can_create);
  void CloseKey() { current_.reset(); }
  bool HasKey() const { return current_ != nullptr; }

  // Reads a REG_DWORD as a signed 32-bit integer; raises RegistryError with
  // "Failed to get data for '%s'" or "Invalid data type for '%s'".
  int32_t ReadInteger(const std::string& name);

  // Writes a REG_DWORD; raises RegistryError "Failed to set data for '%s'".
  void WriteInteger(const std::string& name, int32_t value);

 private:
  RegistryKey& Current(const std::string& name, const char* failure_pattern);

  RegistryRoot& root_;
  std::unique_ptr<RegistryKey> current_;
};

}  // namespace ambervale
