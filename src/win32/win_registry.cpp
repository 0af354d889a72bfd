#include "win32/win_registry.h"

namespace ambervale {

namespace {

// An advapi32 key handle, closed with RegCloseKey when the object goes.
class WinRegistryKey : public RegistryKey {
 public:
  explicit WinRegistryKey(HKEY key) : key_(key) {}
  ~WinRegistryKey() override { RegCloseKey(key_); }

  bool QueryValue(const std::string& name, DwordBuffer& data, uint32_t& type) override {
    DWORD value_type = REG_NONE;
    DWORD size = static_cast<DWORD>(data.size());
    if (RegQueryValueExA(key_, name.c_str(), nullptr, &value_type, data.data(), &size) != ERROR_SUCCESS) {
      return false;
    }
    type = value_type;
    return true;
  }

  bool SetDword(const std::string& name, uint32_t value) override {
    const BYTE bytes[4] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
                           static_cast<BYTE>(value >> 24)};
    return RegSetValueExA(key_, name.c_str(), 0, REG_DWORD, bytes, sizeof bytes) == ERROR_SUCCESS;
  }

 private:
  HKEY key_;
};

// Registry paths here are ASCII; the rename exists only in the wide form.
std::wstring Widened(const std::string& text) { return std::wstring(text.begin(), text.end()); }

}  // namespace

std::unique_ptr<RegistryKey> WinRegistryRoot::OpenKey(const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root_, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return nullptr;
  return std::make_unique<WinRegistryKey>(key);
}

std::unique_ptr<RegistryKey> WinRegistryRoot::CreateKey(const std::string& path) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(root_, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key,
                      nullptr) != ERROR_SUCCESS) {
    return nullptr;
  }
  return std::make_unique<WinRegistryKey>(key);
}

bool WinRegistryRoot::RenameKey(const std::string& path, const std::string& new_name) {
  return RegRenameKey(root_, Widened(path).c_str(), Widened(new_name).c_str()) == ERROR_SUCCESS;
}

void WinRegistryRoot::DeleteKey(const std::string& path) { RegDeleteTreeA(root_, path.c_str()); }

}  // namespace ambervale
