// The small slice of a registry the settings store needs: a root that opens one key for
// reading, creates, renames or deletes one, and an open key that queries a value into four
// bytes and writes a DWORD. The Windows build implements it over advapi32
// (win32/win_registry.h); the tests' in-memory one (testing/memory_registry.h) reproduces the
// same observable rules.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace ambervale {

// Value types as the registry reports them (the numbers are the Windows ones).
enum RegistryValueType : uint32_t {
  kRegNone = 0,
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinary = 3,
  kRegDword = 4,
  kRegDwordBigEndian = 5,
  kRegMultiSz = 7,
  kRegQword = 11,
};

// The buffer a value is queried into: exactly the size of one DWORD.
using DwordBuffer = std::array<uint8_t, 4>;

// One open key. Destroying the object closes the key.
class RegistryKey {
 public:
  virtual ~RegistryKey() = default;
  RegistryKey() = default;
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  // Queries `name` into `data` (four bytes). Fails when the value is missing or its data does
  // not fit in four bytes. On success `type` is the value's type and the first bytes of `data`
  // hold its data; bytes beyond a shorter value's data are left as they were.
  virtual bool QueryValue(const std::string& name, DwordBuffer& data, uint32_t& type) = 0;

  // Writes `name` as a REG_DWORD holding `value` (little-endian). False when the write fails.
  virtual bool SetDword(const std::string& name, uint32_t value) = 0;
};

// A registry root (HKEY_CURRENT_USER in the program). Paths are sub-key paths relative to the
// root, components separated by backslashes; a trailing backslash is allowed.
class RegistryRoot {
 public:
  virtual ~RegistryRoot() = default;
  RegistryRoot() = default;
  RegistryRoot(const RegistryRoot&) = delete;
  RegistryRoot& operator=(const RegistryRoot&) = delete;

  // Opens an existing key for reading only, so that a key the user may only read opens too.
  // Null when it does not exist or cannot be read.
  virtual std::unique_ptr<RegistryKey> OpenKey(const std::string& path) = 0;

  // Opens the key with full access, creating it and any missing parents. Null on failure.
  virtual std::unique_ptr<RegistryKey> CreateKey(const std::string& path) = 0;

  // Gives the key at `path` the name `new_name` under the same parent, in one step that no
  // reader sees half done. False when a key of that name exists already or the rename fails.
  virtual bool RenameKey(const std::string& path, const std::string& new_name) = 0;

  // Deletes the key with its sub-keys; a missing key is no error.
  virtual void DeleteKey(const std::string& path) = 0;
};

}  // namespace ambervale
