// The settings store's registry on Windows: advapi32 keys under a real root (by default
// HKEY_CURRENT_USER), opened with KEY_READ (created with KEY_ALL_ACCESS) and closed with RegCloseKey when the key
// object goes.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "win32/settings/registry_key.h"

namespace ambervale {

class WinRegistryRoot : public RegistryRoot {
 public:
  // `root` is a predefined key or one the caller keeps open for this object's lifetime.
  explicit WinRegistryRoot(HKEY root = HKEY_CURRENT_USER) : root_(root) {}

  std::unique_ptr<RegistryKey> OpenKey(const std::string& path) override;
  std::unique_ptr<RegistryKey> CreateKey(const std::string& path) override;
  bool RenameKey(const std::string& path, const std::string& new_name) override;
  void DeleteKey(const std::string& path) override;

 private:
  HKEY root_;
};

}  // namespace ambervale
